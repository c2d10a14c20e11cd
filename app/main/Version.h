#pragma once
// The program's version: the project's one version number, given by the build.
namespace kestrum {
inline const char* programVersion()
{
    return KESTRUM_VERSION;
}
}  // namespace kestrum
