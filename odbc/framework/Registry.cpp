#include <vantrel/framework/Registry.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

namespace detail {

namespace {

String Escape(const String& s, const char* special) {
    String r;
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        bool edgeBlank = (c == ' ') && (i == 0 || i + 1 == s.size());
        if (c == '\\')
            r += "\\\\";
        else if (c == '\n')
            r += "\\n";
        else if (c == '\r')
            r += "\\r";
        else if (c == '\t')
            r += "\\t";
        else if (c < 0x20 || c == 0x7F || edgeBlank || std::strchr(special, static_cast<char>(c)))
            r += "\\x" + IntToHex(c, 2);
        else
            r += static_cast<char>(c);
    }
    return r;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Unknown escapes are kept literally: a hand-edited file never loses characters.
String Unescape(std::string_view s) {
    String r;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 >= s.size()) {
            r += s[i];
            continue;
        }
        char n = s[i + 1];
        if (n == '\\') {
            r += '\\';
            ++i;
        } else if (n == 'n') {
            r += '\n';
            ++i;
        } else if (n == 'r') {
            r += '\r';
            ++i;
        } else if (n == 't') {
            r += '\t';
            ++i;
        } else if (n == 'x' && i + 3 < s.size() && HexDigit(s[i + 2]) >= 0 && HexDigit(s[i + 3]) >= 0) {
            r += static_cast<char>(HexDigit(s[i + 2]) * 16 + HexDigit(s[i + 3]));
            i += 3;
        } else {
            r += s[i];
        }
    }
    return r;
}

String NormalizePath(const String& path) {
    String r;
    size_t i = 0;
    while (i < path.size()) {
        size_t j = path.find('\\', i);
        if (j == String::npos)
            j = path.size();
        if (j > i) {
            if (!r.empty())
                r += '\\';
            r += path.substr(i, j - i);
        }
        i = j + 1;
    }
    return r;
}

} // namespace

/// In-memory form of a settings file. Lines that are not sections or values stay where they were.
class TIniDocument {
public:
    struct Line {
        bool IsValue = false;
        String Name; // unescaped
        String Value;
        String Raw; // comments, blanks and lines that are not understood
    };
    struct Section {
        bool HasHeader = false;
        String Name;
        std::vector<Line> Lines;
    };

    explicit TIniDocument(String path) : FPath(std::move(path)) {}

    void Load() {
        FSections.clear();
        FSections.push_back(Section{}); // lines before the first header
        std::FILE* f = std::fopen(FPath.c_str(), "rb");
        if (!f) {
            if (errno == ENOENT)
                return;
            throw ERegistryException("Cannot read settings file \"" + FPath + "\": " + std::strerror(errno));
        }
        String data;
        char buf[8192];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            data.append(buf, n);
        bool failed = std::ferror(f) != 0;
        std::fclose(f);
        if (failed)
            throw ERegistryException("Cannot read settings file \"" + FPath + "\"");
        size_t pos = 0;
        while (pos < data.size()) {
            size_t eol = data.find('\n', pos);
            String line = data.substr(pos, eol == String::npos ? String::npos : eol - pos);
            pos = eol == String::npos ? data.size() : eol + 1;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            ParseLine(line);
        }
    }

    void Save() {
        String data;
        for (const Section& s : FSections) {
            if (s.HasHeader)
                data += "[" + Escape(s.Name, "[]") + "]\n";
            for (const Line& l : s.Lines)
                data += l.IsValue ? Escape(l.Name, "=[];#") + "=" + Escape(l.Value, "") + "\n" : l.Raw + "\n";
        }
        WriteAtomically(data);
    }

    Section* FindSection(const String& name) {
        for (Section& s : FSections)
            if (s.HasHeader && SameText(s.Name, name))
                return &s;
        return nullptr;
    }

    Section& GetSection(const String& name) {
        if (Section* s = FindSection(name))
            return *s;
        Section s;
        s.HasHeader = true;
        s.Name = name;
        FSections.push_back(std::move(s));
        return FSections.back();
    }

    static Line* FindValue(Section& s, const String& name) {
        for (Line& l : s.Lines)
            if (l.IsValue && SameText(l.Name, name))
                return &l;
        return nullptr;
    }

    void SetValue(const String& section, const String& name, const String& value) {
        Section& s = GetSection(section);
        if (Line* l = FindValue(s, name)) {
            l->Value = value;
            return;
        }
        Line l;
        l.IsValue = true;
        l.Name = name;
        l.Value = value;
        // Before trailing blank lines, so sections stay visually apart.
        auto at = s.Lines.end();
        while (at != s.Lines.begin() && !(at - 1)->IsValue && Trim((at - 1)->Raw).empty())
            --at;
        s.Lines.insert(at, std::move(l));
    }

    bool DeleteValue(const String& section, const String& name) {
        Section* s = FindSection(section);
        if (!s)
            return false;
        for (auto it = s->Lines.begin(); it != s->Lines.end(); ++it)
            if (it->IsValue && SameText(it->Name, name)) {
                s->Lines.erase(it);
                return true;
            }
        return false;
    }

    /// Removes the section and, with `withChildren`, every section below it.
    bool EraseSection(const String& name, bool withChildren) {
        bool found = false;
        for (auto it = FSections.begin(); it != FSections.end();) {
            if (it->HasHeader && (SameText(it->Name, name) || (withChildren && IsBelow(it->Name, name)))) {
                it = FSections.erase(it);
                found = true;
            } else {
                ++it;
            }
        }
        return found;
    }

    static bool IsBelow(const String& path, const String& parent) {
        if (parent.empty())
            return !path.empty();
        return path.size() > parent.size() + 1 && path[parent.size()] == '\\' &&
               SameText(path.substr(0, parent.size()), parent);
    }

    std::vector<Section>& Sections() { return FSections; }

private:
    void ParseLine(const String& line) {
        String t = Trim(line);
        if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
            Section s;
            s.HasHeader = true;
            s.Name = NormalizePath(Unescape(t.substr(1, t.size() - 2)));
            FSections.push_back(std::move(s));
            return;
        }
        Line l;
        size_t eq = line.find('=');
        if (!t.empty() && t[0] != ';' && t[0] != '#' && eq != String::npos && eq > 0) {
            l.IsValue = true;
            l.Name = Unescape(Trim(line.substr(0, eq)));
            l.Value = Unescape(Trim(line.substr(eq + 1)));
        } else {
            l.Raw = line;
        }
        FSections.back().Lines.push_back(std::move(l));
    }

    void WriteAtomically(const String& data) {
        size_t slash = FPath.rfind('/');
        String dir = slash == String::npos ? String(".") : FPath.substr(0, slash);
        MakeDirs(dir);
        String tmpl = FPath + ".XXXXXX";
        std::vector<char> name(tmpl.begin(), tmpl.end());
        name.push_back('\0');
        int fd = mkstemp(name.data());
        if (fd < 0)
            throw ERegistryException("Cannot write settings file \"" + FPath + "\": " + std::strerror(errno));
        size_t done = 0;
        while (done < data.size()) {
            ssize_t w = ::write(fd, data.data() + done, data.size() - done);
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                int err = errno;
                ::close(fd);
                ::unlink(name.data());
                throw ERegistryException("Cannot write settings file \"" + FPath + "\": " + std::strerror(err));
            }
            done += static_cast<size_t>(w);
        }
        if (::fsync(fd) != 0 || ::close(fd) != 0) {
            int err = errno;
            ::unlink(name.data());
            throw ERegistryException("Cannot write settings file \"" + FPath + "\": " + std::strerror(err));
        }
        if (::rename(name.data(), FPath.c_str()) != 0) {
            int err = errno;
            ::unlink(name.data());
            throw ERegistryException("Cannot replace settings file \"" + FPath + "\": " + std::strerror(err));
        }
    }

    static void MakeDirs(const String& dir) {
        String partial;
        size_t i = 0;
        while (i <= dir.size()) {
            size_t j = dir.find('/', i);
            if (j == String::npos)
                j = dir.size();
            partial = dir.substr(0, j);
            if (!partial.empty() && ::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
                throw ERegistryException("Cannot create folder \"" + partial + "\": " + std::strerror(errno));
            i = j + 1;
        }
    }

    String FPath;
    std::vector<Section> FSections;
};

} // namespace detail

using detail::TIniDocument;

String SettingsFilePath(const String& fileName) {
    if (fileName.empty())
        throw ERegistryException("No settings file name given");
    if (fileName[0] == '/')
        return fileName;
    for (size_t i = 0; i < fileName.size();) {
        size_t j = fileName.find('/', i);
        if (j == String::npos)
            j = fileName.size();
        if (fileName.compare(i, j - i, "..") == 0)
            throw ERegistryException("Settings file name \"" + fileName + "\" leaves the configuration folder");
        i = j + 1;
    }
    String base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') { // a relative value is invalid by the XDG rules and ignored
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !home[0]) {
            passwd* pw = getpwuid(getuid());
            home = pw ? pw->pw_dir : nullptr;
        }
        if (!home)
            throw ERegistryException("No home folder for the settings file");
        base = String(home) + "/.config";
    }
    return base + "/" + fileName;
}

// ---- TRegistry ----------------------------------------------------------------------------------

TRegistry::TRegistry(const String& fileName) : FFileName(SettingsFilePath(fileName)) {}

TRegistry::~TRegistry() = default;

String TRegistry::Resolve(const String& key) const {
    if (!key.empty() && key[0] == '\\')
        return detail::NormalizePath(key);
    return detail::NormalizePath(FCurrentPath + "\\" + key);
}

bool TRegistry::KeyExists(const String& key) {
    String path = Resolve(key);
    if (path.empty())
        return true;
    TIniDocument doc(FFileName);
    doc.Load();
    for (auto& s : doc.Sections())
        if (s.HasHeader && (SameText(s.Name, path) || TIniDocument::IsBelow(s.Name, path)))
            return true;
    return false;
}

bool TRegistry::CreateKey(const String& key) {
    String path = Resolve(key);
    if (path.empty())
        return false;
    TIniDocument doc(FFileName);
    doc.Load();
    if (doc.FindSection(path))
        return true;
    doc.GetSection(path);
    doc.Save();
    return true;
}

bool TRegistry::OpenKey(const String& key, bool canCreate) {
    String path = Resolve(key);
    if (!KeyExists(key)) {
        if (!canCreate)
            return false;
        CreateKey(key);
    }
    FCurrentPath = path;
    FReadOnly = false;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const String& key) {
    if (!OpenKey(key, false))
        return false;
    FReadOnly = true;
    return true;
}

void TRegistry::CloseKey() {
    FCurrentPath.clear();
    FReadOnly = false;
}

bool TRegistry::DeleteKey(const String& key) {
    String path = Resolve(key);
    if (path.empty())
        throw ERegistryException("The top of the settings store cannot be deleted");
    TIniDocument doc(FFileName);
    doc.Load();
    if (!doc.EraseSection(path, true))
        return false;
    doc.Save();
    return true;
}

void TRegistry::GetKeyNames(TStrings& names) {
    names.Clear();
    TIniDocument doc(FFileName);
    doc.Load();
    for (auto& s : doc.Sections()) {
        if (!s.HasHeader || !TIniDocument::IsBelow(s.Name, FCurrentPath))
            continue;
        String rest = FCurrentPath.empty() ? s.Name : s.Name.substr(FCurrentPath.size() + 1);
        String child = rest.substr(0, rest.find('\\'));
        if (names.IndexOf(child) < 0)
            names.Add(child);
    }
}

bool TRegistry::HasSubKeys() {
    TStringList names;
    GetKeyNames(names);
    return names.Count() > 0;
}

void TRegistry::GetValueNames(TStrings& names) {
    names.Clear();
    if (FCurrentPath.empty())
        return;
    TIniDocument doc(FFileName);
    doc.Load();
    if (auto* s = doc.FindSection(FCurrentPath))
        for (auto& l : s->Lines)
            if (l.IsValue)
                names.Add(l.Name);
}

void TRegistry::CheckOpen(bool forWriting) const {
    if (FCurrentPath.empty())
        throw ERegistryException("No settings key is open");
    if (forWriting && FReadOnly)
        throw ERegistryException("Settings key " + FCurrentPath + " is open read-only");
}

bool TRegistry::Lookup(const String& name, String& value) {
    if (FCurrentPath.empty())
        return false;
    TIniDocument doc(FFileName);
    doc.Load();
    auto* s = doc.FindSection(FCurrentPath);
    auto* l = s ? TIniDocument::FindValue(*s, name) : nullptr;
    if (!l)
        return false;
    value = l->Value;
    return true;
}

void TRegistry::Store(const String& name, const String& value) {
    CheckOpen(true);
    if (name.empty())
        throw ERegistryException("A settings value needs a name");
    TIniDocument doc(FFileName);
    doc.Load();
    doc.SetValue(FCurrentPath, name, value);
    doc.Save();
}

bool TRegistry::ValueExists(const String& name) {
    String v;
    return Lookup(name, v);
}

bool TRegistry::DeleteValue(const String& name) {
    CheckOpen(true);
    TIniDocument doc(FFileName);
    doc.Load();
    if (!doc.DeleteValue(FCurrentPath, name))
        return false;
    doc.Save();
    return true;
}

namespace {
[[noreturn]] void BadData(const String& name) {
    throw ERegistryException("Invalid data type for '" + name + "'");
}
} // namespace

String TRegistry::ReadString(const String& name) {
    String v;
    Lookup(name, v);
    return v;
}

void TRegistry::WriteString(const String& name, const String& value) { Store(name, value); }

int TRegistry::ReadInteger(const String& name) {
    String v;
    int64_t n;
    if (!Lookup(name, v) || !TryStrToInt64(v, n) || n < INT32_MIN || n > INT32_MAX)
        BadData(name);
    return static_cast<int>(n);
}

void TRegistry::WriteInteger(const String& name, int value) { Store(name, IntToStr(value)); }

bool TRegistry::ReadBool(const String& name) {
    String v;
    int64_t n;
    if (!Lookup(name, v) || !TryStrToInt64(v, n))
        BadData(name);
    return n != 0;
}

void TRegistry::WriteBool(const String& name, bool value) { Store(name, value ? "1" : "0"); }

double TRegistry::ReadFloat(const String& name) {
    String v;
    double d;
    if (!Lookup(name, v) || !TryStrToFloat(v, d))
        BadData(name);
    return d;
}

void TRegistry::WriteFloat(const String& name, double value) { Store(name, FloatToStr(value)); }

TBytes TRegistry::ReadBinaryData(const String& name) {
    String v;
    if (!Lookup(name, v) || v.size() % 2 != 0)
        BadData(name);
    TBytes data;
    for (size_t i = 0; i < v.size(); i += 2) {
        int hi = detail::HexDigit(v[i]), lo = detail::HexDigit(v[i + 1]);
        if (hi < 0 || lo < 0)
            BadData(name);
        data.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    return data;
}

void TRegistry::WriteBinaryData(const String& name, const TBytes& data) {
    String hex;
    for (uint8_t b : data)
        hex += IntToHex(b, 2);
    Store(name, hex);
}

// ---- TIniFile -----------------------------------------------------------------------------------

TIniFile::TIniFile(const String& fileName) : FFileName(SettingsFilePath(fileName)) {}

String TIniFile::ReadString(const String& section, const String& ident, const String& defaultValue) {
    TIniDocument doc(FFileName);
    doc.Load();
    auto* s = doc.FindSection(detail::NormalizePath(section));
    auto* l = s ? TIniDocument::FindValue(*s, ident) : nullptr;
    return l ? l->Value : defaultValue;
}

void TIniFile::WriteString(const String& section, const String& ident, const String& value) {
    String path = detail::NormalizePath(section);
    if (path.empty() || ident.empty())
        throw ERegistryException("A settings value needs a section and a name");
    TIniDocument doc(FFileName);
    doc.Load();
    doc.SetValue(path, ident, value);
    doc.Save();
}

int TIniFile::ReadInteger(const String& section, const String& ident, int defaultValue) {
    return StrToIntDef(ReadString(section, ident, String()), defaultValue);
}

void TIniFile::WriteInteger(const String& section, const String& ident, int value) {
    WriteString(section, ident, IntToStr(value));
}

bool TIniFile::ReadBool(const String& section, const String& ident, bool defaultValue) {
    String v = ReadString(section, ident, String());
    int64_t n;
    if (!TryStrToInt64(v, n))
        return defaultValue;
    return n != 0;
}

void TIniFile::WriteBool(const String& section, const String& ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

bool TIniFile::SectionExists(const String& section) {
    TIniDocument doc(FFileName);
    doc.Load();
    return doc.FindSection(detail::NormalizePath(section)) != nullptr;
}

bool TIniFile::ValueExists(const String& section, const String& ident) {
    TIniDocument doc(FFileName);
    doc.Load();
    auto* s = doc.FindSection(detail::NormalizePath(section));
    return s && TIniDocument::FindValue(*s, ident);
}

void TIniFile::ReadSection(const String& section, TStrings& idents) {
    idents.Clear();
    TIniDocument doc(FFileName);
    doc.Load();
    if (auto* s = doc.FindSection(detail::NormalizePath(section)))
        for (auto& l : s->Lines)
            if (l.IsValue)
                idents.Add(l.Name);
}

void TIniFile::ReadSections(TStrings& sections) {
    sections.Clear();
    TIniDocument doc(FFileName);
    doc.Load();
    for (auto& s : doc.Sections())
        if (s.HasHeader)
            sections.Add(s.Name);
}

void TIniFile::EraseSection(const String& section) {
    TIniDocument doc(FFileName);
    doc.Load();
    if (doc.EraseSection(detail::NormalizePath(section), false))
        doc.Save();
}

void TIniFile::DeleteKey(const String& section, const String& ident) {
    TIniDocument doc(FFileName);
    doc.Load();
    if (doc.DeleteValue(detail::NormalizePath(section), ident))
        doc.Save();
}

} // namespace vantrel
