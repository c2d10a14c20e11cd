// Settings store: hierarchical keys with named values, kept in an INI file under the user's
// configuration folder ($XDG_CONFIG_HOME, else ~/.config).
//
// A key path such as "Software\Vantrel\Entity" is one INI section "[Software\Vantrel\Entity]";
// its values are "name=value" lines. Names and values are escaped (\\, \n, \r, \t, \xHH for other
// control characters, '=', '[' ']' where they would break a line, and blanks at either end), so
// any text reads back unchanged. Every change reads the file, applies the change and writes the
// whole file to a temporary file that then replaces the old one by rename, so a crash never leaves
// a half-written store. Lines the store does not understand are kept as they are.
#pragma once

#include <vantrel/framework/Classes.h>

namespace vantrel {

/// \brief A settings store operation failed (missing value, wrong type, file not writable).
class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

namespace detail {
class TIniDocument;
}

/// \brief Path of a settings file: an absolute name as given, a relative one under the user's
/// configuration folder. Throws ERegistryException for an empty name or one with "..".
String SettingsFilePath(const String& fileName);

/// \brief Key-and-value access to a settings file.
class TRegistry : public TObject {
public:
    /// \brief Works on `fileName` (see SettingsFilePath); nothing is read until a key is used.
    explicit TRegistry(const String& fileName = "vantrel/registry.ini");
    ~TRegistry() override;

    const String& FileName() const { return FFileName; }
    /// \brief Opens `key`: relative to the current key, or from the top when it starts with '\'.
    /// Returns false when it does not exist and `canCreate` is false.
    bool OpenKey(const String& key, bool canCreate);
    bool OpenKeyReadOnly(const String& key);
    void CloseKey();
    /// \brief The open key's full path ("" when none is open).
    const String& CurrentPath() const { return FCurrentPath; }

    bool KeyExists(const String& key);
    bool CreateKey(const String& key);
    /// \brief Deletes the key with its values and sub-keys; false when there was none.
    bool DeleteKey(const String& key);
    bool HasSubKeys();
    /// \brief Names of the open key's direct sub-keys.
    void GetKeyNames(TStrings& names);
    void GetValueNames(TStrings& names);

    bool ValueExists(const String& name);
    bool DeleteValue(const String& name);
    /// Readers throw ERegistryException when the value is missing (ReadString gives "") or does
    /// not hold the type asked for. Writers throw when no key is open or the key is read-only.
    String ReadString(const String& name);
    void WriteString(const String& name, const String& value);
    int ReadInteger(const String& name);
    void WriteInteger(const String& name, int value);
    bool ReadBool(const String& name);
    void WriteBool(const String& name, bool value);
    double ReadFloat(const String& name);
    void WriteFloat(const String& name, double value);
    TBytes ReadBinaryData(const String& name);
    void WriteBinaryData(const String& name, const TBytes& data);

private:
    String Resolve(const String& key) const;
    void CheckOpen(bool forWriting) const;
    bool Lookup(const String& name, String& value);
    void Store(const String& name, const String& value);

    String FFileName;
    String FCurrentPath;
    bool FReadOnly = false;
};

/// \brief Section-and-name access with defaults over the same kind of file (sections are key
/// paths). Writers replace the file atomically as TRegistry does.
class TIniFile : public TObject {
public:
    explicit TIniFile(const String& fileName);

    const String& FileName() const { return FFileName; }
    String ReadString(const String& section, const String& ident, const String& defaultValue);
    void WriteString(const String& section, const String& ident, const String& value);
    /// \brief The stored integer, or `defaultValue` when missing or not a number.
    int ReadInteger(const String& section, const String& ident, int defaultValue);
    void WriteInteger(const String& section, const String& ident, int value);
    bool ReadBool(const String& section, const String& ident, bool defaultValue);
    void WriteBool(const String& section, const String& ident, bool value);
    bool SectionExists(const String& section);
    bool ValueExists(const String& section, const String& ident);
    void ReadSection(const String& section, TStrings& idents);
    void ReadSections(TStrings& sections);
    void EraseSection(const String& section);
    void DeleteKey(const String& section, const String& ident);

private:
    String FFileName;
};

} // namespace vantrel
