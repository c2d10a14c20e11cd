#pragma once
// A C locale whose decimal separator is a comma, for the money-text tests: an installed one, or
// one built from the system's locale sources into a temporary folder.
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace paramtest {

inline bool useCommaLocale() {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"})
        if (std::setlocale(LC_ALL, name)) return true;
    const std::string dir = (std::filesystem::temp_directory_path() / "vantrel-params-locale").string();
    const std::string target = dir + "/de_DE.UTF-8";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::exists(target)) {
        const std::string cmd = "localedef -i de_DE -f UTF-8 " + target + " >/dev/null 2>&1";
        (void)std::system(cmd.c_str());  // warnings give a non-zero status with a usable locale
        if (!std::filesystem::exists(target)) return false;
    }
    setenv("LOCPATH", dir.c_str(), 1);
    return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr &&
           std::string(std::localeconv()->decimal_point) == ",";
}

}  // namespace paramtest
