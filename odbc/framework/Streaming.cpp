#include <vantrel/framework/Streaming.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace vantrel {

namespace {

constexpr uint8_t Signature[4] = {'V', 'F', 'S', 0x01};
constexpr uint8_t ObjectMark = 0xF0;
constexpr uint8_t FlagInherited = 0x01;
constexpr int MaxDepth = 64;

struct ClassRegistry {
    std::mutex Lock;
    std::map<String, std::unique_ptr<TClassInfo>> ByName; // key: upper-cased name
    std::unordered_map<std::type_index, TClassInfo*> ByType;
};

ClassRegistry& Registry();

// The base class is registered with the registry itself so that registrations in other
// translation units never depend on static initialisation order.
void RegisterBuiltins(ClassRegistry& r) {
    auto info = std::make_unique<TClassInfo>();
    info->Name = "TComponent";
    info->Type = typeid(TComponent);
    info->Create = [](TComponent* owner) { return new TComponent(owner); };
    TPropInfo tag;
    tag.Name = "Tag";
    tag.Kind = TTypeKind::Integer;
    tag.GetOrd = [](TPersistent* o) { return static_cast<TComponent*>(o)->Tag(); };
    tag.SetOrd = [](TPersistent* o, int64_t v) { static_cast<TComponent*>(o)->SetTag(v); };
    tag.DefaultOrd = 0;
    info->Properties.push_back(std::move(tag));
    r.ByType[info->Type] = info.get();
    r.ByName[UpperCase(info->Name)] = std::move(info);
}

ClassRegistry& Registry() {
    static ClassRegistry* r = [] {
        auto* reg = new ClassRegistry; // never freed: registrations may run during exit
        RegisterBuiltins(*reg);
        return reg;
    }();
    return *r;
}

bool IsPropertyPath(std::string_view s) {
    size_t start = 0;
    for (;;) {
        size_t dot = s.find('.', start);
        if (!IsValidIdent(s.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start)))
            return false;
        if (dot == std::string_view::npos)
            return true;
        start = dot + 1;
    }
}

} // namespace

// ---- Metadata -----------------------------------------------------------------------------------

String TPropInfo::EnumName(int64_t value) const {
    if (value < 0 || value >= static_cast<int64_t>(EnumNames.size()))
        return {};
    return EnumNames[static_cast<size_t>(value)];
}

int64_t TPropInfo::EnumValue(const String& name) const {
    for (size_t i = 0; i < EnumNames.size(); ++i)
        if (SameText(EnumNames[i], name))
            return static_cast<int64_t>(i);
    return -1;
}

const TClassInfo* TClassInfo::Parent() const {
    // Resolved on use, so a class may be registered before its parent.
    return ParentType ? FindClassInfo(*ParentType) : nullptr;
}

const TPropInfo* TClassInfo::FindProperty(const String& name) const {
    for (const TClassInfo* c = this; c; c = c->Parent())
        for (const TPropInfo& p : c->Properties)
            if (SameText(p.Name, name))
                return &p;
    return nullptr;
}

std::vector<const TPropInfo*> TClassInfo::AllProperties() const {
    std::vector<const TClassInfo*> chain;
    for (const TClassInfo* c = this; c && chain.size() < 64; c = c->Parent())
        chain.push_back(c);
    std::vector<const TPropInfo*> all;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        for (const TPropInfo& p : (*it)->Properties)
            all.push_back(&p);
    return all;
}

bool TClassInfo::InheritsFrom(const TClassInfo* other) const {
    for (const TClassInfo* c = this; c; c = c->Parent())
        if (c == other)
            return true;
    return false;
}

const TClassInfo* FindClassInfo(const String& name) {
    ClassRegistry& r = Registry();
    std::lock_guard lock(r.Lock);
    auto it = r.ByName.find(UpperCase(name));
    return it == r.ByName.end() ? nullptr : it->second.get();
}

const TClassInfo* FindClassInfo(const std::type_info& type) { return FindClassInfo(std::type_index(type)); }

const TClassInfo* FindClassInfo(std::type_index type) {
    ClassRegistry& r = Registry();
    std::lock_guard lock(r.Lock);
    auto it = r.ByType.find(type);
    return it == r.ByType.end() ? nullptr : it->second;
}

const TClassInfo* GetClassInfo(const TPersistent* obj) { return obj ? FindClassInfo(typeid(*obj)) : nullptr; }

std::vector<String> GetRegisteredClassNames() {
    ClassRegistry& r = Registry();
    std::lock_guard lock(r.Lock);
    std::vector<String> names;
    for (auto& [key, info] : r.ByName)
        names.push_back(info->Name);
    std::sort(names.begin(), names.end());
    return names;
}

TClassInfo& detail::RegisterClassInfo(const String& name, std::type_index type, std::optional<std::type_index> parent,
                                      std::function<TComponent*(TComponent*)> create) {
    if (!IsValidIdent(name) || name.size() > 255)
        throw EFilerError("'" + name + "' is not a valid class name");
    ClassRegistry& r = Registry();
    std::lock_guard lock(r.Lock);
    String key = UpperCase(name);
    auto it = r.ByName.find(key);
    if (it != r.ByName.end()) {
        if (it->second->Type != type)
            throw EFilerError("Class " + name + " is already registered");
        TClassInfo& info = *it->second;
        info.Properties.clear();
        info.ParentType = parent;
        info.Create = std::move(create);
        return info;
    }
    if (r.ByType.count(type))
        throw EFilerError("Class " + name + " is already registered under another name");
    auto info = std::make_unique<TClassInfo>();
    info->Name = name;
    info->Type = type;
    info->ParentType = parent;
    info->Create = std::move(create);
    TClassInfo& ref = *info;
    r.ByType[type] = info.get();
    r.ByName[key] = std::move(info);
    return ref;
}

// ---- TStrings stored form -----------------------------------------------------------------------

void TStrings::DefineProperties(TFiler* filer) {
    auto* ancestor = dynamic_cast<TStrings*>(filer->Ancestor());
    bool hasData = ancestor ? !Equals(*ancestor) : Count() > 0;
    filer->DefineProperty(
        "Strings",
        [this](TReader& r) {
            BeginUpdate();
            try {
                Clear();
                r.ReadListBegin();
                while (!r.EndOfList())
                    Add(r.ReadString());
                r.ReadListEnd();
            } catch (...) {
                EndUpdate();
                throw;
            }
            EndUpdate();
        },
        [this](TWriter& w) {
            w.WriteListBegin();
            for (int i = 0; i < Count(); ++i)
                w.WriteString(Get(i));
            w.WriteListEnd();
        },
        hasData);
}

// ---- TReader ------------------------------------------------------------------------------------

TReader::TReader(TStream& stream) : TFiler(stream) {
    FPos = stream.Position();
    FEnd = stream.Size();
}

void TReader::Fail(const String& what) const {
    throw EReadError("Invalid stored form: " + what + " at offset " + IntToStr(FPos));
}

void TReader::Need(int64_t count) const {
    if (count < 0 || count > FEnd - FPos)
        throw EReadError("Invalid stored form: truncated at offset " + IntToStr(FPos) + " (" + IntToStr(count) +
                         " bytes needed, " + IntToStr(std::max<int64_t>(FEnd - FPos, 0)) + " left)");
}

void TReader::ReadRaw(void* buffer, int64_t count) {
    Need(count);
    if (count == 0)
        return;
    if (FStream.Read(buffer, count) != count)
        throw EReadError("Invalid stored form: truncated at offset " + IntToStr(FPos));
    FPos += count;
}

uint8_t TReader::ReadByte() {
    uint8_t b;
    ReadRaw(&b, 1);
    return b;
}

uint8_t TReader::PeekByte() {
    uint8_t b = ReadByte();
    Rewind(FPos - 1);
    return b;
}

uint32_t TReader::ReadUInt32() {
    uint8_t b[4];
    ReadRaw(b, 4);
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
           static_cast<uint32_t>(b[3]) << 24;
}

String TReader::ReadShort(bool allowEmpty) {
    uint8_t len = ReadByte();
    if (len == 0 && !allowEmpty)
        Fail("empty name");
    String s(len, '\0');
    ReadRaw(s.data(), len);
    return s;
}

String TReader::ReadText() {
    uint32_t len = ReadUInt32();
    Need(len); // before allocating: a corrupt length must not allocate gigabytes
    String s(len, '\0');
    ReadRaw(s.data(), len);
    return s;
}

TValueType TReader::NextValue() {
    uint8_t b = PeekByte();
    if (b > vaNil)
        Fail(Format("unknown value tag 0x%x", b));
    return static_cast<TValueType>(b);
}

TValueType TReader::ReadValue() {
    uint8_t b = ReadByte();
    if (b > vaNil) {
        Rewind(FPos - 1);
        Fail(Format("unknown value tag 0x%x", b));
    }
    return static_cast<TValueType>(b);
}

void TReader::Rewind(int64_t at) {
    FStream.Seek(at, soBeginning);
    FPos = at;
}

TValueType TReader::ExpectTag(std::initializer_list<TValueType> allowed, const char* what) {
    int64_t at = FPos;
    TValueType t = ReadValue();
    for (TValueType a : allowed)
        if (a == t)
            return t;
    Rewind(at);
    Fail(Format("%s expected, found value tag 0x%x", what, static_cast<int>(t)));
}

int64_t TReader::ReadIntPayload(TValueType tag) {
    uint8_t b[8] = {};
    switch (tag) {
    case vaInt8:
        ReadRaw(b, 1);
        return static_cast<int8_t>(b[0]);
    case vaInt16:
        ReadRaw(b, 2);
        return static_cast<int16_t>(static_cast<uint16_t>(b[0] | b[1] << 8));
    case vaInt32:
        ReadRaw(b, 4);
        return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                                    static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
    default: {
        ReadRaw(b, 8);
        uint64_t v = 0;
        for (int i = 7; i >= 0; --i)
            v = v << 8 | b[i];
        return static_cast<int64_t>(v);
    }
    }
}

void TReader::ReadListBegin() { ExpectTag({vaList}, "list"); }
void TReader::ReadListEnd() { ExpectTag({vaNull}, "end of list"); }
bool TReader::EndOfList() { return NextValue() == vaNull; }

String TReader::ReadString() {
    ExpectTag({vaString}, "string");
    return ReadText();
}

bool TReader::ReadBoolean() { return ExpectTag({vaFalse, vaTrue}, "Boolean") == vaTrue; }

int64_t TReader::ReadInt64() { return ReadIntPayload(ExpectTag({vaInt8, vaInt16, vaInt32, vaInt64}, "integer")); }

int TReader::ReadInteger() {
    int64_t at = FPos;
    int64_t v = ReadInt64();
    if (v < INT32_MIN || v > INT32_MAX) {
        Rewind(at);
        Fail("integer out of range");
    }
    return static_cast<int>(v);
}

double TReader::ReadFloat() {
    TValueType t = ExpectTag({vaDouble, vaInt8, vaInt16, vaInt32, vaInt64}, "number");
    if (t != vaDouble)
        return static_cast<double>(ReadIntPayload(t));
    uint8_t b[8];
    ReadRaw(b, 8);
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | b[i];
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

String TReader::ReadIdent() {
    ExpectTag({vaIdent}, "identifier");
    String s = ReadShort(false);
    if (!IsPropertyPath(s))
        Fail("invalid identifier");
    return s;
}

TBytes TReader::ReadBinary() {
    ExpectTag({vaBinary}, "binary data");
    uint32_t len = ReadUInt32();
    Need(len);
    TBytes data(len);
    ReadRaw(data.data(), len);
    return data;
}

void TReader::SkipValue() { SkipValueAt(0); }

void TReader::SkipValueAt(int depth) {
    if (depth > MaxDepth)
        Fail("values nested too deep");
    TValueType t = ReadValue();
    switch (t) {
    case vaNull:
        Fail("unexpected end of list");
    case vaList:
        while (NextValue() != vaNull)
            SkipValueAt(depth + 1);
        ReadValue();
        break;
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64:
        ReadIntPayload(t);
        break;
    case vaDouble: {
        uint8_t b[8];
        ReadRaw(b, 8);
        break;
    }
    case vaString: {
        uint32_t len = ReadUInt32();
        Need(len);
        FStream.Seek(len, soCurrent);
        FPos += len;
        break;
    }
    case vaBinary: {
        uint32_t len = ReadUInt32();
        Need(len);
        FStream.Seek(len, soCurrent);
        FPos += len;
        break;
    }
    case vaIdent:
        ReadShort(false);
        break;
    case vaSet:
        while (!ReadShort(true).empty()) {
        }
        break;
    case vaFalse:
    case vaTrue:
    case vaNil:
        break;
    }
}

void TReader::DefineProperty(const String& name, TReaderProc readData, TWriterProc, bool) {
    if (!FPropName.empty() && readData && SameText(name, FPropName)) {
        FPropName.clear();
        readData(*this);
    }
}

void TReader::DefineBinaryProperty(const String& name, TStreamProc readData, TStreamProc, bool) {
    if (FPropName.empty() || !readData || !SameText(name, FPropName))
        return;
    FPropName.clear();
    TBytes data = ReadBinary();
    TMemoryStream block;
    if (!data.empty())
        block.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    block.SetPosition(0);
    readData(block);
}

TComponent* TReader::ReadRootComponent(TComponent* root, TComponent* owner) {
    uint8_t sig[4];
    Need(4);
    ReadRaw(sig, 4);
    if (std::memcmp(sig, Signature, 3) != 0)
        throw EReadError("Invalid stored form: not a component stream");
    if (sig[3] != Signature[3])
        throw EReadError(Format("Invalid stored form: unsupported format version %d", static_cast<int>(sig[3])));
    FLoaded.clear();
    FFixups.clear();
    FRoot = root;
    TComponent* result = ReadObject(owner, root, 0);
    bool created = result != root;
    try {
        if (FPos != FEnd)
            Fail("data after the end of the form");
        ResolveFixups();
    } catch (...) {
        if (created) {
            delete result;
        } else {
            for (TComponent* c : FLoaded)
                c->ClearStateFlags(csReading | csLoading);
        }
        throw;
    }
    for (TComponent* c : FLoaded)
        c->ClearStateFlags(csReading);
    // Every component gets Loaded even when one of them fails; the first failure is raised after.
    std::exception_ptr first;
    for (TComponent* c : FLoaded) {
        try {
            c->Loaded();
        } catch (...) {
            if (!first)
                first = std::current_exception();
        }
        c->ClearStateFlags(csLoading);
    }
    if (first) {
        if (created)
            delete result;
        std::rethrow_exception(first);
    }
    return result;
}

TComponent* TReader::ReadObject(TComponent* parent, TComponent* existing, int depth) {
    if (depth > MaxDepth)
        Fail("components nested too deep");
    int64_t headerAt = FPos;
    uint8_t flags = ReadByte();
    if ((flags & 0xF0) != ObjectMark || (flags & 0x0F & ~FlagInherited) != 0) {
        Rewind(headerAt);
        Fail(Format("invalid component header 0x%x", static_cast<int>(flags)));
    }
    String className = ReadShort(false);
    if (!IsValidIdent(className))
        Fail("invalid class name");
    String name = ReadText();
    if (!name.empty() && !IsValidIdent(name))
        Fail("invalid component name '" + name + "'");
    const TClassInfo* info = FindClassInfo(className);
    if (!info)
        throw EClassNotFound("Class " + className + " not found");

    TComponent* comp = existing;
    if (!comp && parent && !name.empty()) {
        TComponent* found = parent->FindComponent(name);
        if (found && GetClassInfo(found) == info)
            comp = found; // made by the parent's constructor: read into it
    }
    const TClassInfo* existingInfo = existing ? GetClassInfo(existing) : nullptr;
    if (existing && (!existingInfo || !existingInfo->InheritsFrom(info)))
        throw EReadError("Invalid stored form: class " + className + " does not match " + comp->ClassName());
    if (!comp && (flags & FlagInherited) && parent && existing == nullptr && depth > 0) {
        // Written against an ancestor that had this component; the component must exist here.
        throw EReadError("Invalid stored form: ancestor component " + name + " not found");
    }
    bool created = false;
    if (!comp) {
        if (!info->Create)
            throw EReadError("Class " + className + " cannot be created by the reader");
        comp = info->Create(parent);
        created = true;
    }
    size_t loadedMark = FLoaded.size();
    try {
        comp->ReadState();
        FLoaded.push_back(comp);
        if (comp->Name() != name) {
            try {
                comp->SetName(name);
            } catch (const EComponentError& e) {
                Fail(e.Message());
            }
        }
        for (;;) {
            String path = ReadShort(true);
            if (path.empty())
                break;
            if (!IsPropertyPath(path))
                Fail("invalid property name");
            ReadProperty(comp, comp, path, path);
        }
        while (PeekByte() != 0)
            ReadObject(comp, nullptr, depth + 1);
        ReadByte();
    } catch (...) {
        if (created) {
            // Everything read below this component is owned by it and goes with it.
            FLoaded.resize(loadedMark);
            FFixups.erase(std::remove_if(FFixups.begin(), FFixups.end(),
                                         [&](const Fixup& f) {
                                             for (TComponent* c = f.Instance; c; c = c->Owner())
                                                 if (c == comp)
                                                     return true;
                                             return false;
                                         }),
                          FFixups.end());
            delete comp;
        }
        throw;
    }
    return comp;
}

void TReader::ReadProperty(TComponent* instance, TPersistent* obj, const String& path, const String& fullPath) {
    size_t dot = path.find('.');
    const TClassInfo* info = GetClassInfo(obj);
    if (dot != String::npos) {
        String head = path.substr(0, dot);
        const TPropInfo* p = info ? info->FindProperty(head) : nullptr;
        if (!p || p->Kind != TTypeKind::Class)
            Fail("property " + fullPath + " does not exist in " + instance->ClassName());
        TPersistent* sub = p->GetObject(obj);
        if (!sub)
            Fail("property " + fullPath + " has no object to read into");
        ReadProperty(instance, sub, path.substr(dot + 1), fullPath);
        return;
    }
    try {
        FPropName = path;
        obj->DefineProperties(this);
        if (FPropName.empty())
            return;
        FPropName.clear();
        const TPropInfo* p = info ? info->FindProperty(path) : nullptr;
        if (!p || p->Kind == TTypeKind::Class)
            Fail("property " + fullPath + " does not exist in " + instance->ClassName());
        ReadPropValue(instance, obj, *p);
    } catch (const EReadError&) {
        FPropName.clear();
        throw;
    } catch (const Exception& e) {
        // A setter refused the value: name the property, keep the reason.
        FPropName.clear();
        throw EReadError("Error reading " + instance->Name() + "." + fullPath + ": " + e.Message());
    }
}

void TReader::ReadPropValue(TComponent* instance, TPersistent* obj, const TPropInfo& prop) {
    switch (prop.Kind) {
    case TTypeKind::Integer:
        prop.SetOrd(obj, ReadInt64());
        break;
    case TTypeKind::Boolean:
        prop.SetOrd(obj, ReadBoolean() ? 1 : 0);
        break;
    case TTypeKind::Enumeration: {
        String ident = ReadIdent();
        int64_t v = prop.EnumValue(ident);
        if (v < 0)
            Fail("invalid value " + ident + " for property " + prop.Name);
        prop.SetOrd(obj, v);
        break;
    }
    case TTypeKind::Set: {
        ExpectTag({vaSet}, "set");
        int64_t mask = 0;
        for (;;) {
            String member = ReadShort(true);
            if (member.empty())
                break;
            int64_t v = prop.EnumValue(member);
            if (v < 0 || v >= 63)
                Fail("invalid set member " + member + " for property " + prop.Name);
            mask |= int64_t(1) << v;
        }
        prop.SetOrd(obj, mask);
        break;
    }
    case TTypeKind::Float:
        prop.SetFloat(obj, ReadFloat());
        break;
    case TTypeKind::String:
        prop.SetStr(obj, ReadString());
        break;
    case TTypeKind::Component:
        if (ExpectTag({vaIdent, vaNil}, "component reference") == vaNil) {
            prop.SetComponent(obj, nullptr);
        } else {
            String target = ReadShort(false);
            if (!IsPropertyPath(target))
                Fail("invalid component reference");
            FFixups.push_back(Fixup{instance, obj, &prop, target});
        }
        break;
    case TTypeKind::Class:
        Fail("property " + prop.Name + " is an object");
    }
}

void TReader::ResolveFixups() {
    for (const Fixup& f : FFixups) {
        size_t dot = f.Target.find('.');
        String first = f.Target.substr(0, dot);
        TComponent* found = nullptr;
        // Nearest first: siblings, then the owners' siblings up to the top of the tree.
        for (TComponent* scope = f.Instance; scope && !found; scope = scope->Owner()) {
            if (TComponent* o = scope->Owner())
                found = o->FindComponent(first);
            if (!found && scope->Owner() == nullptr && SameText(scope->Name(), first))
                found = scope;
        }
        for (size_t start = dot; found && start != String::npos;) {
            size_t next = f.Target.find('.', start + 1);
            String part = f.Target.substr(start + 1, next == String::npos ? String::npos : next - start - 1);
            found = found->FindComponent(part);
            start = next;
        }
        if (!found)
            throw EReadError("Invalid stored form: unresolved reference to " + f.Target + " in " + f.Instance->Name() +
                             "." + f.Prop->Name);
        try {
            f.Prop->SetComponent(f.Object, found);
        } catch (const Exception& e) {
            throw EReadError("Error reading " + f.Instance->Name() + "." + f.Prop->Name + ": " + e.Message());
        }
    }
    FFixups.clear();
}

// ---- TWriter ------------------------------------------------------------------------------------

void TWriter::WriteRaw(const void* data, size_t size) {
    FStream.WriteBuffer(data, static_cast<int64_t>(size));
}

void TWriter::WriteByte(uint8_t b) { WriteRaw(&b, 1); }

void TWriter::WriteUInt32(uint32_t v) {
    uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                    static_cast<uint8_t>(v >> 24)};
    WriteRaw(b, 4);
}

void TWriter::WriteShort(const String& s) {
    if (s.empty() || s.size() > 255)
        throw EWriteError("Name '" + s + "' cannot be stored (1 to 255 characters)");
    WriteByte(static_cast<uint8_t>(s.size()));
    WriteRaw(s.data(), s.size());
}

void TWriter::WriteText(const String& s) {
    if (s.size() > UINT32_MAX)
        throw EWriteError("Text too long to store");
    WriteUInt32(static_cast<uint32_t>(s.size()));
    WriteRaw(s.data(), s.size());
}

void TWriter::WriteListBegin() { WriteByte(vaList); }
void TWriter::WriteListEnd() { WriteByte(vaNull); }

void TWriter::WriteString(const String& value) {
    WriteByte(vaString);
    WriteText(value);
}

void TWriter::WriteBoolean(bool value) { WriteByte(value ? vaTrue : vaFalse); }

void TWriter::WriteInteger(int64_t value) {
    uint8_t b[9];
    size_t n;
    if (value >= INT8_MIN && value <= INT8_MAX) {
        b[0] = vaInt8;
        n = 1;
    } else if (value >= INT16_MIN && value <= INT16_MAX) {
        b[0] = vaInt16;
        n = 2;
    } else if (value >= INT32_MIN && value <= INT32_MAX) {
        b[0] = vaInt32;
        n = 4;
    } else {
        b[0] = vaInt64;
        n = 8;
    }
    uint64_t v = static_cast<uint64_t>(value);
    for (size_t i = 0; i < n; ++i)
        b[1 + i] = static_cast<uint8_t>(v >> (8 * i));
    WriteRaw(b, n + 1);
}

void TWriter::WriteFloat(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    uint8_t b[9] = {vaDouble};
    for (int i = 0; i < 8; ++i)
        b[1 + i] = static_cast<uint8_t>(bits >> (8 * i));
    WriteRaw(b, 9);
}

void TWriter::WriteIdent(const String& value) {
    if (!IsPropertyPath(value))
        throw EWriteError("'" + value + "' is not an identifier");
    WriteByte(vaIdent);
    WriteShort(value);
}

void TWriter::WriteBinary(const void* data, size_t size) {
    if (size > UINT32_MAX)
        throw EWriteError("Binary data too long to store");
    WriteByte(vaBinary);
    WriteUInt32(static_cast<uint32_t>(size));
    WriteRaw(data, size);
}

void TWriter::DefineProperty(const String& name, TReaderProc, TWriterProc writeData, bool hasData) {
    if (!hasData || !writeData)
        return;
    WriteShort(FPrefix + name);
    writeData(*this);
}

void TWriter::DefineBinaryProperty(const String& name, TStreamProc, TStreamProc writeData, bool hasData) {
    if (!hasData || !writeData)
        return;
    TMemoryStream block;
    writeData(block);
    WriteShort(FPrefix + name);
    WriteBinary(block.Memory(), block.Bytes().size());
}

void TWriter::WriteRootComponent(TComponent* root, TComponent* ancestor) {
    FRoot = root;
    WriteRaw(Signature, sizeof Signature);
    WriteObject(root, ancestor, 0);
}

void TWriter::WriteObject(TComponent* comp, TComponent* ancestor, int depth) {
    if (depth > MaxDepth)
        throw EWriteError("Components nested too deep to store");
    const TClassInfo* info = GetClassInfo(comp);
    if (!info)
        throw EWriteError("Class " + comp->ClassName() + " is not registered for streaming");
    if (ancestor && GetClassInfo(ancestor) != info)
        ancestor = nullptr;
    struct WritingFlag {
        TComponent* C;
        ~WritingFlag() { C->ClearStateFlags(csWriting); }
    } flag{comp};
    comp->SetStateFlags(csWriting);
    WriteByte(static_cast<uint8_t>(ObjectMark | (ancestor ? FlagInherited : 0)));
    WriteShort(info->Name);
    WriteText(comp->Name());
    WriteProperties(comp, comp, ancestor, String());
    WriteByte(0);
    comp->GetChildren(
        [&](TComponent* child) {
            TComponent* childAncestor = nullptr;
            if (ancestor && !child->Name().empty())
                childAncestor = ancestor->FindComponent(child->Name());
            WriteObject(child, childAncestor, depth + 1);
        },
        FRoot);
    WriteByte(0);
}

void TWriter::WriteProperties(TComponent* instance, TPersistent* obj, TPersistent* ancestor, const String& prefix) {
    if (const TClassInfo* info = GetClassInfo(obj)) {
        if (ancestor && GetClassInfo(ancestor) != info)
            ancestor = nullptr;
        for (const TPropInfo* p : info->AllProperties()) {
            if (p->Stored && !p->Stored(obj))
                continue;
            if (p->Kind == TTypeKind::Class) {
                TPersistent* sub = p->GetObject(obj);
                TPersistent* ancSub = ancestor ? p->GetObject(ancestor) : nullptr;
                if (sub)
                    WriteProperties(instance, sub, ancSub, prefix + p->Name + ".");
                continue;
            }
            if (IsDefaultValue(obj, ancestor, *p))
                continue;
            WriteShort(prefix + p->Name);
            WritePropValue(instance, obj, *p);
        }
    }
    String savedPrefix = FPrefix;
    TPersistent* savedAncestor = FAncestor;
    FPrefix = prefix;
    FAncestor = ancestor;
    try {
        obj->DefineProperties(this);
    } catch (...) {
        FPrefix = savedPrefix;
        FAncestor = savedAncestor;
        throw;
    }
    FPrefix = savedPrefix;
    FAncestor = savedAncestor;
}

bool TWriter::IsDefaultValue(TPersistent* obj, TPersistent* ancestor, const TPropInfo& prop) {
    switch (prop.Kind) {
    case TTypeKind::Integer:
    case TTypeKind::Boolean:
    case TTypeKind::Enumeration:
    case TTypeKind::Set: {
        int64_t v = prop.GetOrd(obj);
        if (ancestor)
            return v == prop.GetOrd(ancestor);
        return prop.DefaultOrd && v == *prop.DefaultOrd;
    }
    case TTypeKind::Float: {
        double v = prop.GetFloat(obj);
        if (ancestor)
            return v == prop.GetFloat(ancestor);
        return prop.DefaultFloat && v == *prop.DefaultFloat;
    }
    case TTypeKind::String: {
        String v = prop.GetStr(obj);
        if (ancestor)
            return v == prop.GetStr(ancestor);
        return v == prop.DefaultStr.value_or(String());
    }
    case TTypeKind::Component: {
        TComponent* v = prop.GetComponent(obj);
        if (ancestor) {
            TComponent* a = prop.GetComponent(ancestor);
            return (!v && !a) || (v && a && SameText(v->Name(), a->Name()));
        }
        return v == nullptr;
    }
    case TTypeKind::Class:
        return true;
    }
    return true;
}

String TWriter::ReferenceName(TComponent* instance, TComponent* target, const TPropInfo& prop) {
    if (target->Name().empty())
        throw EWriteError("Cannot store a reference to a component without a name in " + instance->Name() + "." +
                          prop.Name);
    // The path from the nearest component that both can see: the reader resolves the first
    // part among the owners' components, outward, and the rest downward.
    String path = target->Name();
    for (TComponent* t = target; t->Owner(); t = t->Owner()) {
        for (TComponent* scope = instance; scope; scope = scope->Owner())
            if (scope->Owner() == t->Owner())
                return path;
        if (t->Owner()->Name().empty())
            break;
        path = t->Owner()->Name() + "." + path;
        if (!t->Owner()->Owner())
            return path;
    }
    return path;
}

void TWriter::WritePropValue(TComponent* instance, TPersistent* obj, const TPropInfo& prop) {
    switch (prop.Kind) {
    case TTypeKind::Integer:
        WriteInteger(prop.GetOrd(obj));
        break;
    case TTypeKind::Boolean:
        WriteBoolean(prop.GetOrd(obj) != 0);
        break;
    case TTypeKind::Enumeration: {
        int64_t v = prop.GetOrd(obj);
        String name = prop.EnumName(v);
        if (name.empty())
            throw EWriteError(Format("Value %d of %s.%s has no name", v, instance->Name(), prop.Name));
        WriteIdent(name);
        break;
    }
    case TTypeKind::Set: {
        int64_t mask = prop.GetOrd(obj);
        WriteByte(vaSet);
        for (size_t i = 0; i < prop.EnumNames.size() && i < 63; ++i)
            if (mask & (int64_t(1) << i))
                WriteShort(prop.EnumNames[i]);
        WriteByte(0);
        break;
    }
    case TTypeKind::Float:
        WriteFloat(prop.GetFloat(obj));
        break;
    case TTypeKind::String:
        WriteString(prop.GetStr(obj));
        break;
    case TTypeKind::Component: {
        TComponent* target = prop.GetComponent(obj);
        if (!target) {
            WriteByte(vaNil);
        } else {
            WriteByte(vaIdent);
            WriteShort(ReferenceName(instance, target, prop));
        }
        break;
    }
    case TTypeKind::Class:
        break;
    }
}

// ---- Entry points -------------------------------------------------------------------------------

void WriteComponent(TStream& stream, TComponent* component, TComponent* ancestor) {
    TWriter writer(stream);
    writer.WriteRootComponent(component, ancestor);
}

TComponent* ReadComponent(TStream& stream, TComponent* owner) {
    TReader reader(stream);
    return reader.ReadRootComponent(nullptr, owner);
}

void ReadComponentInto(TStream& stream, TComponent* root) {
    TReader reader(stream);
    reader.ReadRootComponent(root, root ? root->Owner() : nullptr);
}

} // namespace vantrel
