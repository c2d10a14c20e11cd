#pragma once
// Every window class of the program, shell and modules, as the program registers them at start-up.
namespace kestrum {

/// \brief Registers the shell's windows and those of every window module built into the program
/// with the WindowFactory.
void registerProgramWindows();

}  // namespace kestrum
