// Object model of the library: persistent objects, owned components with names and free
// notification, pointer and string lists, and streams.
#pragma once

#include <vantrel/framework/SysUtils.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <utility>
#include <vector>

namespace vantrel {

class TFiler;
class TPersistent;
class TComponent;

using TNotifyEvent = std::function<void(class TObject* sender)>;

/// \brief Root of the class tree.
class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;

    /// \brief The class name without namespace (the registered streaming name for components).
    virtual String ClassName() const;
    /// \brief Runs BeforeDestruction and deletes the object (a component then knows it is going
    /// while its own destructor still runs).
    void Free();
    /// \brief Called by Free before the destructors run.
    virtual void BeforeDestruction() {}
};

/// \brief Frees the object (if any) and clears the pointer.
template <class T> void FreeAndNil(T*& obj) {
    T* o = obj;
    obj = nullptr;
    if (o)
        o->Free();
}

/// \brief A persistent property value could not be assigned (wrong source class, nil).
class EConvertAssignError : public EConvertError {
public:
    using EConvertError::EConvertError;
};

/// \brief An object that can copy itself from another and store extra properties in a form.
class TPersistent : public TObject {
public:
    /// \brief Copies `source` into this object; the base asks source->AssignTo(this).
    /// Throws EConvertError "Cannot assign a X to a Y" when neither side knows the other.
    virtual void Assign(TPersistent* source);
    /// \brief Copies this object into `dest`; the base raises the assign error.
    virtual void AssignTo(TPersistent* dest);
    /// \brief Declares properties stored by their own reader and writer (TFiler::DefineProperty).
    virtual void DefineProperties(TFiler* filer);
    /// \brief The object that owns this one in a stored form (for error messages).
    virtual TPersistent* GetOwner() { return nullptr; }
    virtual String GetNamePath();
};

// ---- Components ---------------------------------------------------------------------------------

/// \brief A component name or ownership rule was broken.
class EComponentError : public Exception {
public:
    using Exception::Exception;
};

enum TOperation { opInsert, opRemove };

/// Component state flags (a bit set: test with `c->ComponentState() & csLoading`).
enum TComponentStateFlag : unsigned {
    csLoading = 1u << 0,
    csReading = 1u << 1,
    csWriting = 1u << 2,
    csDestroying = 1u << 3,
    csDesigning = 1u << 4,
    csAncestor = 1u << 5,
    csUpdating = 1u << 6,
    csFixups = 1u << 7,
    csFreeNotification = 1u << 8,
};
using TComponentState = unsigned;

/// \brief A named object that owns the components created with it as owner and frees them with
/// itself, and tells interested components when it goes away.
///
/// Ownership: `new TX(owner)` inserts the component into owner's list; the owner deletes its
/// components (last first) when it is destroyed. Deleting a component directly is fine: it leaves
/// its owner's list first. Notification(c, opInsert) is sent to the owner's tree from inside the
/// TComponent constructor, when the new object is not yet its final class.
///
/// Free notification: a.FreeNotification(b) links both ways; when either is destroyed the other
/// gets Notification(dying, opRemove) and the link is gone, so no pointer is left dangling.
class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;

    TComponent* Owner() const { return FOwner; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    /// \brief Owned component at `index`; throws EListError when out of range.
    TComponent* Components(int index) const;
    /// \brief Position in the owner's list, or -1.
    int ComponentIndex() const;
    void SetComponentIndex(int index);
    /// \brief Owned component with that name (case-insensitive), or null.
    TComponent* FindComponent(const String& name) const;

    /// \brief Moves `component` into this component's list (removing it from its old owner).
    void InsertComponent(TComponent* component);
    /// \brief Takes `component` out of this list; it then has no owner.
    void RemoveComponent(TComponent* component);
    /// \brief Frees every owned component, last first.
    void DestroyComponents();

    const String& Name() const { return FName; }
    /// \brief Renames; throws EComponentError for an invalid identifier or a name a sibling
    /// already has (names compare ignoring case; the empty name may repeat).
    virtual void SetName(const String& newName);
    int64_t Tag() const { return FTag; }
    void SetTag(int64_t tag) { FTag = tag; }

    TComponentState ComponentState() const { return FComponentState; }
    bool Loading() const { return (FComponentState & csLoading) != 0; }
    bool Designing() const { return (FComponentState & csDesigning) != 0; }
    bool IsDestroying() const { return (FComponentState & csDestroying) != 0; }
    /// \brief Sets or clears csDesigning here and (optionally) in every owned component.
    void SetDesigning(bool value, bool setChildren = true);
    /// \brief Marks this component and its owned components csDestroying; called by Free and by the
    /// owner before the destructors run, and again (harmlessly) by ~TComponent.
    void Destroying();
    void BeforeDestruction() override;

    /// \brief Asks `component` to tell this one when it is freed (and vice versa).
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    /// \brief Called while loading before properties are read (sets csLoading|csReading).
    virtual void ReadState();
    /// \brief Called once the whole stored form is read: clears csLoading.
    virtual void Loaded();

    /// \brief Visits the components stored as children of this one in a form (default: the owned
    /// ones, in order).
    virtual void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root);
    String GetNamePath() override { return FName; }
    TPersistent* GetOwner() override { return FOwner; }

    /// For the stream reader and writer.
    void SetStateFlags(TComponentState flags) { FComponentState |= flags; }
    void ClearStateFlags(TComponentState flags) { FComponentState &= ~flags; }

protected:
    /// \brief Another component was inserted or is going away. The base forwards to the owned
    /// components and drops a free-notification link to a removed component.
    virtual void Notification(TComponent* component, TOperation operation);
    /// \brief Throws EComponentError when `newName` is taken by another component of this owner.
    virtual void ValidateRename(TComponent* component, const String& curName, const String& newName);
    virtual void ValidateInsert(TComponent* component) { (void)component; }

private:
    void Insert(TComponent* component);
    void Remove(TComponent* component);
    void RemoveNotification(TComponent* component);
    void SendNotification(TComponent* component, TOperation operation);

    TComponent* FOwner = nullptr;
    String FName;
    int64_t FTag = 0;
    TComponentState FComponentState = 0;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
};

// ---- Lists --------------------------------------------------------------------------------------

/// \brief An index or list operation was out of range or not allowed.
class EListError : public Exception {
public:
    using Exception::Exception;
};
class EStringListError : public EListError {
public:
    using EListError::EListError;
};

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

/// \brief A list of untyped pointers. Descendants that own their items override Notify.
class TList : public TObject {
public:
    ~TList() override;

    int Count() const { return static_cast<int>(FItems.size()); }
    void* Get(int index) const;
    void Put(int index, void* item);
    void* operator[](int index) const { return Get(index); }
    int Add(void* item);
    void Insert(int index, void* item);
    /// \brief Removes the item at `index` (Notify lnDeleted).
    void Delete(int index);
    /// \brief Removes the first occurrence; returns its former index or -1.
    int Remove(void* item);
    /// \brief Removes without lnDeleted (lnExtracted): the caller keeps the item.
    void* Extract(void* item);
    int IndexOf(void* item) const;
    void Clear();
    void Exchange(int a, int b);
    void Move(int from, int to);
    void* First() const { return Get(0); }
    void* Last() const { return Get(Count() - 1); }
    void Sort(const std::function<int(void*, void*)>& compare);
    /// \brief Drops nil entries.
    void Pack();

protected:
    virtual void Notify(void* item, TListNotification action) {
        (void)item;
        (void)action;
    }

private:
    void Check(int index) const;
    std::vector<void*> FItems;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStream;

/// \brief Abstract list of strings, each with an optional associated object.
class TStrings : public TPersistent {
public:
    virtual int Count() const = 0;
    virtual String Get(int index) const = 0;
    virtual void Put(int index, const String& s);
    virtual TObject* GetObject(int index) const = 0;
    virtual void PutObject(int index, TObject* obj) = 0;
    virtual void Insert(int index, const String& s) = 0;
    virtual void InsertObject(int index, const String& s, TObject* obj);
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    virtual int Add(const String& s);
    virtual int AddObject(const String& s, TObject* obj);
    void AddStrings(const TStrings& other);
    void Append(const String& s) { Add(s); }
    /// \brief Index of `s` (compared ignoring case, as lists do by default), or -1.
    virtual int IndexOf(const String& s) const;
    int IndexOfObject(const TObject* obj) const;
    int IndexOfName(const String& name) const;
    virtual void Exchange(int a, int b);
    virtual void Move(int from, int to);

    String operator[](int index) const { return Get(index); }
    String Strings(int index) const { return Get(index); }
    TObject* Objects(int index) const { return GetObject(index); }

    /// Name=value helpers.
    String Names(int index) const;
    String ValueFromIndex(int index) const;
    String Values(const String& name) const;
    void SetValue(const String& name, const String& value);

    /// \brief Lines joined, each followed by "\n".
    String Text() const;
    /// \brief Splits on "\r\n", "\n" or "\r" and replaces the content (one change notification).
    void SetText(const String& text);
    /// \brief Comma-separated; items with blanks, commas, quotes or control characters are quoted
    /// with '"' (inner quotes doubled).
    String CommaText() const;
    /// \brief Reads items separated by commas or blanks, honouring quotes.
    void SetCommaText(const String& text);
    String DelimitedText(char delimiter, char quote = '"') const;
    void SetDelimitedText(const String& text, char delimiter, char quote = '"', bool strictDelimiter = false);

    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    bool Equals(const TStrings& other) const;
    void Assign(TPersistent* source) override;
    /// \brief Stores the lines as the defined property "Strings" (a list of strings).
    void DefineProperties(TFiler* filer) override;

    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;
    void LoadFromFile(const String& fileName);
    void SaveToFile(const String& fileName) const;

protected:
    /// \brief Called with true when the first BeginUpdate starts, false when the last EndUpdate ends.
    virtual void SetUpdateState(bool updating) { (void)updating; }
    [[noreturn]] void Error(const String& message, int index) const;

private:
    int FUpdateCount = 0;
};

/// \brief String list kept in memory, optionally sorted, with change events.
class TStringList : public TStrings {
public:
    TStringList() = default;
    ~TStringList() override;

    int Count() const override { return static_cast<int>(FList.size()); }
    String Get(int index) const override;
    void Put(int index, const String& s) override;
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* obj) override;
    void Insert(int index, const String& s) override;
    void InsertObject(int index, const String& s, TObject* obj) override;
    void Delete(int index) override;
    void Clear() override;
    int Add(const String& s) override;
    int AddObject(const String& s, TObject* obj) override;
    int IndexOf(const String& s) const override;
    void Exchange(int a, int b) override;

    /// \brief Binary search of a sorted list; `index` is where `s` is or would go.
    bool Find(const String& s, int& index) const;
    void Sort();
    void CustomSort(const std::function<int(TStringList&, int, int)>& compare);

    bool Sorted() const { return FSorted; }
    void SetSorted(bool value);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates value) { FDuplicates = value; }
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool value);
    /// \brief When set, the list deletes its objects when entries are removed or the list dies.
    bool OwnsObjects() const { return FOwnsObjects; }
    void SetOwnsObjects(bool value) { FOwnsObjects = value; }

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    virtual void Changed();
    virtual void Changing();
    void SetUpdateState(bool updating) override;
    int CompareStrings(const String& a, const String& b) const;

private:
    void InsertItem(int index, const String& s, TObject* obj);
    void CheckIndex(int index) const;

    struct Item {
        String Text;
        TObject* Object = nullptr;
    };
    std::vector<Item> FList;
    bool FSorted = false;
    TDuplicates FDuplicates = dupIgnore;
    bool FCaseSensitive = false;
    bool FOwnsObjects = false;
};

// ---- Streams ------------------------------------------------------------------------------------

class EStreamError : public Exception {
public:
    using Exception::Exception;
};
/// \brief Reading found less data than needed or data that is not valid.
class EReadError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
/// \brief A file could not be opened or created.
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

/// \brief Byte stream with a position.
class TStream : public TObject {
public:
    /// \brief Reads up to `count` bytes; returns how many were read (0 at the end).
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    /// \brief Writes up to `count` bytes; returns how many were written.
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    /// \brief Moves the position; returns the new position. Throws EStreamError for a negative one.
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;
    virtual int64_t Size();
    virtual void SetSize(int64_t newSize);

    int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(int64_t pos) { Seek(pos, soBeginning); }
    /// \brief Reads exactly `count` bytes or throws EReadError "Stream read error".
    void ReadBuffer(void* buffer, int64_t count);
    /// \brief Writes exactly `count` bytes or throws EWriteError "Stream write error".
    void WriteBuffer(const void* buffer, int64_t count);
    /// \brief Copies `count` bytes from `source` (0: the whole source from its start).
    int64_t CopyFrom(TStream& source, int64_t count);
};

/// \brief Stream over a growable memory block.
class TMemoryStream : public TStream {
public:
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t Size() override { return static_cast<int64_t>(FData.size()); }
    void SetSize(int64_t newSize) override;

    void Clear();
    uint8_t* Memory() { return FData.data(); }
    const uint8_t* Memory() const { return FData.data(); }
    const std::vector<uint8_t>& Bytes() const { return FData; }
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream);
    void LoadFromFile(const String& fileName);
    void SaveToFile(const String& fileName);

private:
    std::vector<uint8_t> FData;
    int64_t FPosition = 0;
};

/// \brief Memory stream initialised from and readable as a string.
class TStringStream : public TMemoryStream {
public:
    explicit TStringStream(const String& data = String());
    String DataString() const;
};

/// File open modes.
enum TFileMode { fmOpenRead, fmOpenWrite, fmOpenReadWrite, fmCreate };

/// \brief Stream over a file.
class TFileStream : public TStream {
public:
    /// \brief Throws EFOpenError "Cannot open file "name": reason" (or "Cannot create file").
    TFileStream(const String& fileName, TFileMode mode);
    ~TFileStream() override;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    void SetSize(int64_t newSize) override;
    const String& FileName() const { return FFileName; }

private:
    void Switch(int op);

    String FFileName;
    std::FILE* FFile = nullptr;
    int FLastOp = 0; // stdio needs a seek between a read and a write
};

} // namespace vantrel
