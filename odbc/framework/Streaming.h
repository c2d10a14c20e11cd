// Published properties and stored forms: a component tree written to a stream and read back.
//
// Stored form encoding (all integers little-endian)
// -------------------------------------------------
//   Form      := Signature Object
//   Signature := 'V' 'F' 'S' 0x01                  (the last byte is the format version)
//   Object    := Flags ClassName Name Property* 0x00 Object* 0x00
//   Flags     := one byte 0xF0 | bits; bit 0 = written against an ancestor. Other low bits must be
//                0. The high nibble keeps an object header apart from the 0x00 that ends a list of
//                children.
//   ClassName := Short                              (the name the class was registered under)
//   Name      := Text                               (component name, may be empty)
//   Property  := Short Value                        (property path, "SQL.Strings" for a property
//                                                    of a nested object; the 0x00 that ends the
//                                                    properties is a Short of length 0)
//   Short     := uint8 length (1..255), then that many bytes
//   Text      := uint32 length, then that many bytes
//   Value     := tag byte and payload:
//     0x00 end of list        0x01 list: Value* 0x00
//     0x02 int8   0x03 int16   0x04 int32   0x05 int64   (the smallest that holds the value)
//     0x06 float: IEEE-754 binary64
//     0x07 string: Text        0x08 false   0x09 true
//     0x0A identifier: Short (enumeration value names, component references)
//     0x0B binary: uint32 length, then that many bytes
//     0x0C set: Short* then a 0x00 byte (the names of the members)
//     0x0D nil (no component)
//
// The reader never trusts a length: every length is checked against the bytes left in the stream
// before anything is allocated or read, lists and objects nest at most 64 deep, names must be
// identifiers (paths: identifiers joined by '.'), and any unknown tag, class, property or value
// raises EReadError naming the offset. A binary property's reader gets a stream holding exactly
// that property's bytes, so it cannot read past its own data either.
#pragma once

#include <vantrel/framework/Classes.h>

#include <functional>
#include <optional>
#include <typeindex>
#include <typeinfo>
#include <vector>

namespace vantrel {

class TReader;
class TWriter;

/// \brief A class cannot be registered or a property declared (reading raises EReadError).
class EFilerError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
/// \brief A class name in a stored form is not registered.
class EClassNotFound : public EReadError {
public:
    using EReadError::EReadError;
};

// ---- Published-property metadata ----------------------------------------------------------------

enum class TTypeKind { Integer, Boolean, Enumeration, Set, Float, String, Class, Component };

/// \brief One published property: its kind, accessors, default and enumeration names.
struct TPropInfo {
    String Name;
    TTypeKind Kind = TTypeKind::Integer;
    /// Names of the enumeration values (or set members), by ordinal.
    std::vector<String> EnumNames;

    std::function<int64_t(TPersistent*)> GetOrd; // Integer, Boolean, Enumeration, Set (bit mask)
    std::function<void(TPersistent*, int64_t)> SetOrd;
    std::function<double(TPersistent*)> GetFloat;
    std::function<void(TPersistent*, double)> SetFloat;
    std::function<String(TPersistent*)> GetStr;
    std::function<void(TPersistent*, const String&)> SetStr;
    std::function<TPersistent*(TPersistent*)> GetObject; // Class: a nested object stored in place
    std::function<TComponent*(TPersistent*)> GetComponent;
    std::function<void(TPersistent*, TComponent*)> SetComponent;
    /// When set and false, the property is not written.
    std::function<bool(TPersistent*)> Stored;

    /// The value that is not written. Without one, strings default to "" and component
    /// references to none; other kinds are always written.
    std::optional<int64_t> DefaultOrd;
    std::optional<double> DefaultFloat;
    std::optional<String> DefaultStr;

    /// \brief Name of ordinal `value`, or "" when out of range.
    String EnumName(int64_t value) const;
    /// \brief Ordinal of `name` (case-insensitive), or -1.
    int64_t EnumValue(const String& name) const;
};

/// \brief Streaming description of one class: name, creator, own published properties.
class TClassInfo {
public:
    String Name;
    std::type_index Type = typeid(void);
    std::optional<std::type_index> ParentType;
    /// Creates an instance for the reader (null for classes the reader cannot create).
    std::function<TComponent*(TComponent* owner)> Create;
    /// Properties this class adds, in declaration order.
    std::vector<TPropInfo> Properties;

    /// \brief The registered parent class, or null.
    const TClassInfo* Parent() const;
    /// \brief This class's property or an inherited one (case-insensitive), or null.
    const TPropInfo* FindProperty(const String& name) const;
    /// \brief Every property, inherited ones first.
    std::vector<const TPropInfo*> AllProperties() const;
    bool InheritsFrom(const TClassInfo* other) const;
};

/// \brief The class registered under `name` (case-insensitive), or null.
const TClassInfo* FindClassInfo(const String& name);
const TClassInfo* FindClassInfo(const std::type_info& type);
const TClassInfo* FindClassInfo(std::type_index type);
/// \brief The class description of an object's dynamic type, or null when not registered.
const TClassInfo* GetClassInfo(const TPersistent* obj);
/// \brief Registered class names, sorted.
std::vector<String> GetRegisteredClassNames();

namespace detail {
TClassInfo& RegisterClassInfo(const String& name, std::type_index type, std::optional<std::type_index> parent,
                              std::function<TComponent*(TComponent*)> create);
template <class G, class T> using PropValue = std::decay_t<std::invoke_result_t<G, T*>>;
} // namespace detail

/// \brief Declares the published properties of class T; returned by RegisterClass.
///
/// Getters and setters are member pointers or callables taking T*, e.g.
///   RegisterClass<TMyDB, TComponent>("TMyDB")
///       .Text("DatabaseName", &TMyDB::DatabaseName, &TMyDB::SetDatabaseName)
///       .Enum("Style", &TMyDB::Style, &TMyDB::SetStyle, {"csDriverConnect", "csConnect"}, 0)
///       .Boolean("Connected", &TMyDB::Connected, &TMyDB::SetConnected, false);
template <class T> class TPublisher {
public:
    explicit TPublisher(TClassInfo& info) : FInfo(&info) {}

    template <class G, class S>
    TPublisher& Integer(const String& name, G get, S set, std::optional<int64_t> def = std::nullopt) {
        return Ordinal(name, TTypeKind::Integer, get, set, {}, def);
    }
    template <class G, class S>
    TPublisher& Boolean(const String& name, G get, S set, std::optional<bool> def = std::nullopt) {
        std::optional<int64_t> d;
        if (def)
            d = *def ? 1 : 0;
        return Ordinal(name, TTypeKind::Boolean, get, set, {}, d);
    }
    template <class G, class S>
    TPublisher& Enum(const String& name, G get, S set, std::vector<String> names,
                     std::optional<int64_t> def = std::nullopt) {
        return Ordinal(name, TTypeKind::Enumeration, get, set, std::move(names), def);
    }
    /// Getter/setter work on a bit mask: bit i = member `names[i]`.
    template <class G, class S>
    TPublisher& Set(const String& name, G get, S set, std::vector<String> names,
                    std::optional<int64_t> def = std::nullopt) {
        return Ordinal(name, TTypeKind::Set, get, set, std::move(names), def);
    }
    template <class G, class S>
    TPublisher& Float(const String& name, G get, S set, std::optional<double> def = std::nullopt) {
        TPropInfo p = Make(name, TTypeKind::Float);
        p.GetFloat = [get](TPersistent* o) { return static_cast<double>(std::invoke(get, Cast(o))); };
        p.SetFloat = [set](TPersistent* o, double v) {
            std::invoke(set, Cast(o), static_cast<detail::PropValue<G, T>>(v));
        };
        p.DefaultFloat = def;
        return Add(std::move(p));
    }
    template <class G, class S>
    TPublisher& Text(const String& name, G get, S set,
                       std::optional<String> def = std::nullopt) {
        TPropInfo p = Make(name, TTypeKind::String);
        p.GetStr = [get](TPersistent* o) { return String(std::invoke(get, Cast(o))); };
        p.SetStr = [set](TPersistent* o, const String& v) { std::invoke(set, Cast(o), v); };
        p.DefaultStr = std::move(def);
        return Add(std::move(p));
    }
    /// A nested persistent object (such as a TStrings) whose own properties are stored as
    /// "Name.Sub"; the getter returns the object the owner keeps.
    template <class G> TPublisher& Object(const String& name, G get) {
        TPropInfo p = Make(name, TTypeKind::Class);
        p.GetObject = [get](TPersistent* o) -> TPersistent* { return std::invoke(get, Cast(o)); };
        return Add(std::move(p));
    }
    /// A reference to another component, stored by name and resolved when the form is read.
    template <class G, class S> TPublisher& Component(const String& name, G get, S set) {
        using V = detail::PropValue<G, T>;
        TPropInfo p = Make(name, TTypeKind::Component);
        p.GetComponent = [get](TPersistent* o) -> TComponent* { return std::invoke(get, Cast(o)); };
        p.SetComponent = [set](TPersistent* o, TComponent* c) {
            V target = nullptr;
            if (c) {
                target = dynamic_cast<V>(c);
                if (!target)
                    throw EFilerError("Component " + c->Name() + " has the wrong class for this property");
            }
            std::invoke(set, Cast(o), target);
        };
        return Add(std::move(p));
    }
    /// Makes the last declared property conditional.
    TPublisher& StoredIf(std::function<bool(T*)> stored) {
        FInfo->Properties.back().Stored = [stored](TPersistent* o) { return stored(Cast(o)); };
        return *this;
    }

    TClassInfo& Info() { return *FInfo; }

private:
    static T* Cast(TPersistent* o) { return static_cast<T*>(o); }
    static TPropInfo Make(const String& name, TTypeKind kind) {
        TPropInfo p;
        p.Name = name;
        p.Kind = kind;
        return p;
    }
    template <class G, class S>
    TPublisher& Ordinal(const String& name, TTypeKind kind, G get, S set, std::vector<String> names,
                        std::optional<int64_t> def) {
        TPropInfo p = Make(name, kind);
        p.EnumNames = std::move(names);
        p.GetOrd = [get](TPersistent* o) { return static_cast<int64_t>(std::invoke(get, Cast(o))); };
        p.SetOrd = [set](TPersistent* o, int64_t v) {
            std::invoke(set, Cast(o), static_cast<detail::PropValue<G, T>>(v));
        };
        p.DefaultOrd = def;
        return Add(std::move(p));
    }
    TPublisher& Add(TPropInfo p);

    TClassInfo* FInfo;
};

template <class T> TPublisher<T>& TPublisher<T>::Add(TPropInfo p) {
    for (const TPropInfo& q : FInfo->Properties)
        if (SameText(q.Name, p.Name))
            throw EFilerError("Property " + p.Name + " is declared twice in " + FInfo->Name);
    FInfo->Properties.push_back(std::move(p));
    return *this;
}

/// \brief Registers class T (derived from Base, which may be registered before or after) under
/// `name` for streaming and returns the publisher for its properties. Registering the same class
/// again replaces its property list; another class under a taken name throws EFilerError.
/// Components with a (TComponent* owner) constructor get a creator so the reader can make them.
template <class T, class Base = void> TPublisher<T> RegisterClass(const String& name) {
    static_assert(std::is_base_of_v<TPersistent, T>, "only persistent classes are streamed");
    std::function<TComponent*(TComponent*)> create;
    if constexpr (std::is_base_of_v<TComponent, T> && !std::is_abstract_v<T> &&
                  std::is_constructible_v<T, TComponent*>)
        create = [](TComponent* owner) -> TComponent* { return new T(owner); };
    std::optional<std::type_index> parent;
    if constexpr (!std::is_void_v<Base>) {
        static_assert(std::is_base_of_v<Base, T>, "Base must be a base class of T");
        parent = std::type_index(typeid(Base));
    }
    return TPublisher<T>(detail::RegisterClassInfo(name, typeid(T), parent, std::move(create)));
}

// ---- Filer, reader, writer ----------------------------------------------------------------------

/// Value tags of the encoding above.
enum TValueType : uint8_t {
    vaNull = 0x00,
    vaList = 0x01,
    vaInt8 = 0x02,
    vaInt16 = 0x03,
    vaInt32 = 0x04,
    vaInt64 = 0x05,
    vaDouble = 0x06,
    vaString = 0x07,
    vaFalse = 0x08,
    vaTrue = 0x09,
    vaIdent = 0x0A,
    vaBinary = 0x0B,
    vaSet = 0x0C,
    vaNil = 0x0D,
};

/// \brief Common part of reader and writer: the stream, the root and the ancestor being compared.
class TFiler : public TObject {
public:
    using TReaderProc = std::function<void(TReader&)>;
    using TWriterProc = std::function<void(TWriter&)>;
    using TStreamProc = std::function<void(TStream&)>;

    explicit TFiler(TStream& stream) : FStream(stream) {}

    /// \brief A property stored by its own procedures. The writer calls `writeData` (after the
    /// property name) only when `hasData`; the reader calls `readData` when the stream holds it.
    virtual void DefineProperty(const String& name, TReaderProc readData, TWriterProc writeData, bool hasData) = 0;
    /// \brief The same for a block of bytes: `writeData` fills a memory stream, `readData` gets a
    /// stream holding exactly the stored bytes, positioned at 0.
    virtual void DefineBinaryProperty(const String& name, TStreamProc readData, TStreamProc writeData,
                                      bool hasData) = 0;

    TStream& Stream() { return FStream; }
    TComponent* Root() const { return FRoot; }
    /// \brief While writing: the ancestor's object matching the one being written (null when there
    /// is none), so DefineProperties can write only what differs. Always null while reading.
    TPersistent* Ancestor() const { return FAncestor; }

protected:
    TStream& FStream;
    TComponent* FRoot = nullptr;
    TPersistent* FAncestor = nullptr;
};

/// \brief Reads a stored form; also the interface DefineProperty read procedures use.
class TReader : public TFiler {
public:
    explicit TReader(TStream& stream);

    void DefineProperty(const String& name, TReaderProc readData, TWriterProc writeData, bool hasData) override;
    void DefineBinaryProperty(const String& name, TStreamProc readData, TStreamProc writeData,
                              bool hasData) override;

    /// \brief Reads a whole form. With `root` the form is read into that existing component (its
    /// class must match); otherwise a new component owned by `owner` is created and returned.
    /// Components read get csLoading|csReading, then Loaded() once the whole tree and its
    /// component references are in place. On failure every component this call created is freed.
    TComponent* ReadRootComponent(TComponent* root, TComponent* owner = nullptr);

    /// Typed reads raise EReadError when the next value has another type; the position is then
    /// left before that value.
    /// The tag of the next value, without consuming it.
    TValueType NextValue();
    TValueType ReadValue();
    void ReadListBegin();
    void ReadListEnd();
    bool EndOfList();
    String ReadString();
    bool ReadBoolean();
    /// \brief A 32-bit integer (EReadError when the stored value does not fit).
    int ReadInteger();
    int64_t ReadInt64();
    /// \brief A float (integers are accepted too).
    double ReadFloat();
    String ReadIdent();
    TBytes ReadBinary();
    /// \brief Skips one value of any kind.
    void SkipValue();

    /// \brief Offset of the next byte in the stream (for messages).
    int64_t Position() const { return FPos; }

private:
    struct Fixup {
        TComponent* Instance;
        TPersistent* Object;
        const TPropInfo* Prop;
        String Target;
    };

    [[noreturn]] void Fail(const String& what) const;
    void Rewind(int64_t at);
    void Need(int64_t count) const;
    void ReadRaw(void* buffer, int64_t count);
    uint8_t ReadByte();
    uint8_t PeekByte();
    uint32_t ReadUInt32();
    String ReadShort(bool allowEmpty);
    String ReadText();
    TValueType ExpectTag(std::initializer_list<TValueType> allowed, const char* what);
    int64_t ReadIntPayload(TValueType tag);
    void SkipValueAt(int depth);

    TComponent* ReadObject(TComponent* parent, TComponent* existing, int depth);
    void ReadProperty(TComponent* instance, TPersistent* obj, const String& path, const String& fullPath);
    void ReadPropValue(TComponent* instance, TPersistent* obj, const TPropInfo& prop);
    void ResolveFixups();

    int64_t FPos = 0;
    int64_t FEnd = 0;
    String FPropName; // the defined property being read, cleared once its procedure ran
    std::vector<TComponent*> FLoaded;
    std::vector<Fixup> FFixups;
};

/// \brief Writes a stored form; also the interface DefineProperty write procedures use.
class TWriter : public TFiler {
public:
    explicit TWriter(TStream& stream) : TFiler(stream) {}

    void DefineProperty(const String& name, TReaderProc readData, TWriterProc writeData, bool hasData) override;
    void DefineBinaryProperty(const String& name, TStreamProc readData, TStreamProc writeData,
                              bool hasData) override;

    /// \brief Writes `root` with its children (GetChildren) and, recursively, theirs. With an
    /// ancestor (an instance of the same class), only what differs from it is written; children
    /// are matched with the ancestor's by name. Throws EWriteError for an unregistered class.
    void WriteRootComponent(TComponent* root, TComponent* ancestor = nullptr);

    void WriteListBegin();
    void WriteListEnd();
    void WriteString(const String& value);
    void WriteBoolean(bool value);
    void WriteInteger(int64_t value);
    void WriteFloat(double value);
    /// \brief An identifier (EWriteError when `value` is not one).
    void WriteIdent(const String& value);
    void WriteBinary(const void* data, size_t size);

private:
    void WriteRaw(const void* data, size_t size);
    void WriteByte(uint8_t b);
    void WriteUInt32(uint32_t v);
    void WriteShort(const String& s);
    void WriteText(const String& s);
    void WriteObject(TComponent* comp, TComponent* ancestor, int depth);
    void WriteProperties(TComponent* instance, TPersistent* obj, TPersistent* ancestor, const String& prefix);
    bool IsDefaultValue(TPersistent* obj, TPersistent* ancestor, const TPropInfo& prop);
    void WritePropValue(TComponent* instance, TPersistent* obj, const TPropInfo& prop);
    String ReferenceName(TComponent* instance, TComponent* target, const TPropInfo& prop);

    String FPrefix;
};

/// \brief Writes `component` and its tree as a stored form (see TWriter::WriteRootComponent).
void WriteComponent(TStream& stream, TComponent* component, TComponent* ancestor = nullptr);
/// \brief Reads a stored form into a new component owned by `owner` and returns it.
TComponent* ReadComponent(TStream& stream, TComponent* owner);
/// \brief Reads a stored form into the existing component `root`.
void ReadComponentInto(TStream& stream, TComponent* root);

} // namespace vantrel
