#include <vantrel/framework/Classes.h>

#include <algorithm>

namespace vantrel {

// ---- TStrings -----------------------------------------------------------------------------------

void TStrings::Error(const String& message, int index) const { throw EStringListError(Format(message, index)); }

void TStrings::Put(int index, const String& s) {
    TObject* obj = GetObject(index);
    BeginUpdate();
    try {
        Delete(index);
        InsertObject(index, s, obj);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::InsertObject(int index, const String& s, TObject* obj) {
    Insert(index, s);
    PutObject(index, obj);
}

int TStrings::Add(const String& s) {
    int index = Count();
    Insert(index, s);
    return index;
}

int TStrings::AddObject(const String& s, TObject* obj) {
    int index = Add(s);
    PutObject(index, obj);
    return index;
}

void TStrings::AddStrings(const TStrings& other) {
    BeginUpdate();
    try {
        for (int i = 0; i < other.Count(); ++i)
            AddObject(other.Get(i), other.GetObject(i));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

int TStrings::IndexOf(const String& s) const {
    for (int i = 0; i < Count(); ++i)
        if (SameText(Get(i), s))
            return i;
    return -1;
}

int TStrings::IndexOfObject(const TObject* obj) const {
    for (int i = 0; i < Count(); ++i)
        if (GetObject(i) == obj)
            return i;
    return -1;
}

int TStrings::IndexOfName(const String& name) const {
    for (int i = 0; i < Count(); ++i) {
        String s = Get(i);
        size_t eq = s.find('=');
        if (eq != String::npos && SameText(s.substr(0, eq), name))
            return i;
    }
    return -1;
}

void TStrings::Exchange(int a, int b) {
    BeginUpdate();
    try {
        String sa = Get(a), sb = Get(b);
        TObject* oa = GetObject(a);
        TObject* ob = GetObject(b);
        Put(a, sb);
        PutObject(a, ob);
        Put(b, sa);
        PutObject(b, oa);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::Move(int from, int to) {
    if (from == to)
        return;
    BeginUpdate();
    try {
        String s = Get(from);
        TObject* obj = GetObject(from);
        Delete(from);
        InsertObject(to, s, obj);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

String TStrings::Names(int index) const {
    String s = Get(index);
    size_t eq = s.find('=');
    return eq == String::npos ? String() : s.substr(0, eq);
}

String TStrings::ValueFromIndex(int index) const {
    String s = Get(index);
    size_t eq = s.find('=');
    return eq == String::npos ? String() : s.substr(eq + 1);
}

String TStrings::Values(const String& name) const {
    int i = IndexOfName(name);
    return i < 0 ? String() : ValueFromIndex(i);
}

void TStrings::SetValue(const String& name, const String& value) {
    int i = IndexOfName(name);
    if (value.empty()) {
        if (i >= 0)
            Delete(i);
        return;
    }
    if (i < 0)
        Add(name + "=" + value);
    else
        Put(i, name + "=" + value);
}

String TStrings::Text() const {
    String r;
    for (int i = 0; i < Count(); ++i) {
        r += Get(i);
        r += '\n';
    }
    return r;
}

void TStrings::SetText(const String& text) {
    BeginUpdate();
    try {
        Clear();
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find_first_of("\r\n", start);
            if (end == String::npos) {
                Add(text.substr(start));
                break;
            }
            Add(text.substr(start, end - start));
            start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

String TStrings::DelimitedText(char delimiter, char quote) const {
    if (Count() == 1 && Get(0).empty())
        return String(2, quote);
    String r;
    for (int i = 0; i < Count(); ++i) {
        String s = Get(i);
        bool needQuote = std::any_of(s.begin(), s.end(), [&](char c) {
            return static_cast<unsigned char>(c) <= ' ' || c == delimiter || c == quote;
        });
        if (i > 0)
            r += delimiter;
        r += needQuote ? QuotedStr(s, quote) : s;
    }
    return r;
}

void TStrings::SetDelimitedText(const String& text, char delimiter, char quote, bool strictDelimiter) {
    auto isSeparator = [&](char c) {
        return c == delimiter || (!strictDelimiter && static_cast<unsigned char>(c) <= ' ' && c != '\0');
    };
    BeginUpdate();
    try {
        Clear();
        size_t i = 0, n = text.size();
        if (!strictDelimiter)
            while (i < n && static_cast<unsigned char>(text[i]) <= ' ')
                ++i;
        while (i < n) {
            String item;
            if (text[i] == quote) {
                ++i;
                while (i < n) {
                    if (text[i] == quote) {
                        if (i + 1 < n && text[i + 1] == quote) {
                            item += quote;
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    item += text[i++];
                }
            } else {
                while (i < n && !isSeparator(text[i]))
                    item += text[i++];
            }
            Add(item);
            if (!strictDelimiter)
                while (i < n && static_cast<unsigned char>(text[i]) <= ' ' && text[i] != delimiter)
                    ++i;
            if (i < n && text[i] == delimiter) {
                ++i;
                if (i == n)
                    Add(String()); // a trailing delimiter ends with an empty item
                if (!strictDelimiter)
                    while (i < n && static_cast<unsigned char>(text[i]) <= ' ' && text[i] != delimiter)
                        ++i;
            }
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

String TStrings::CommaText() const { return DelimitedText(',', '"'); }
void TStrings::SetCommaText(const String& text) { SetDelimitedText(text, ',', '"', false); }

void TStrings::BeginUpdate() {
    if (FUpdateCount++ == 0)
        SetUpdateState(true);
}

void TStrings::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        SetUpdateState(false);
}

bool TStrings::Equals(const TStrings& other) const {
    if (Count() != other.Count())
        return false;
    for (int i = 0; i < Count(); ++i)
        if (Get(i) != other.Get(i))
            return false;
    return true;
}

void TStrings::Assign(TPersistent* source) {
    if (auto* src = dynamic_cast<TStrings*>(source)) {
        if (src == this)
            return;
        BeginUpdate();
        try {
            Clear();
            AddStrings(*src);
        } catch (...) {
            EndUpdate();
            throw;
        }
        EndUpdate();
        return;
    }
    TPersistent::Assign(source);
}

void TStrings::LoadFromStream(TStream& stream) {
    int64_t size = stream.Size() - stream.Position();
    String data(static_cast<size_t>(std::max<int64_t>(size, 0)), '\0');
    if (size > 0)
        stream.ReadBuffer(data.data(), size);
    SetText(data);
}

void TStrings::SaveToStream(TStream& stream) const {
    String data = Text();
    stream.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
}

void TStrings::LoadFromFile(const String& fileName) {
    TFileStream f(fileName, fmOpenRead);
    LoadFromStream(f);
}

void TStrings::SaveToFile(const String& fileName) const {
    TFileStream f(fileName, fmCreate);
    SaveToStream(f);
}

// ---- TStringList --------------------------------------------------------------------------------

TStringList::~TStringList() {
    OnChange = nullptr;
    OnChanging = nullptr;
    if (FOwnsObjects)
        for (Item& item : FList)
            delete item.Object;
}

void TStringList::CheckIndex(int index) const {
    if (index < 0 || index >= Count())
        Error("List index out of bounds (%d)", index);
}

void TStringList::Changing() {
    if (UpdateCount() == 0 && OnChanging)
        OnChanging(this);
}

void TStringList::Changed() {
    if (UpdateCount() == 0 && OnChange)
        OnChange(this);
}

void TStringList::SetUpdateState(bool updating) {
    if (updating) {
        if (OnChanging)
            OnChanging(this);
    } else if (OnChange) {
        OnChange(this);
    }
}

int TStringList::CompareStrings(const String& a, const String& b) const {
    return FCaseSensitive ? CompareStr(a, b) : CompareText(a, b);
}

String TStringList::Get(int index) const {
    CheckIndex(index);
    return FList[static_cast<size_t>(index)].Text;
}

TObject* TStringList::GetObject(int index) const {
    CheckIndex(index);
    return FList[static_cast<size_t>(index)].Object;
}

void TStringList::Put(int index, const String& s) {
    if (FSorted)
        throw EStringListError("Operation not allowed on sorted list");
    CheckIndex(index);
    Changing();
    FList[static_cast<size_t>(index)].Text = s;
    Changed();
}

void TStringList::PutObject(int index, TObject* obj) {
    CheckIndex(index);
    Changing();
    TObject*& slot = FList[static_cast<size_t>(index)].Object;
    if (FOwnsObjects && slot != obj)
        delete slot;
    slot = obj;
    Changed();
}

void TStringList::InsertItem(int index, const String& s, TObject* obj) {
    Changing();
    FList.insert(FList.begin() + index, Item{s, obj});
    Changed();
}

void TStringList::Insert(int index, const String& s) { InsertObject(index, s, nullptr); }

void TStringList::InsertObject(int index, const String& s, TObject* obj) {
    if (FSorted)
        throw EStringListError("Operation not allowed on sorted list");
    if (index < 0 || index > Count())
        Error("List index out of bounds (%d)", index);
    InsertItem(index, s, obj);
}

int TStringList::Add(const String& s) { return AddObject(s, nullptr); }

int TStringList::AddObject(const String& s, TObject* obj) {
    int index;
    if (!FSorted) {
        index = Count();
    } else if (Find(s, index)) {
        switch (FDuplicates) {
        case dupIgnore:
            if (FOwnsObjects && obj != FList[static_cast<size_t>(index)].Object)
                delete obj;
            return index;
        case dupError:
            if (FOwnsObjects)
                delete obj;
            throw EStringListError("String list does not allow duplicates");
        case dupAccept:
            break;
        }
    }
    InsertItem(index, s, obj);
    return index;
}

void TStringList::Delete(int index) {
    CheckIndex(index);
    Changing();
    TObject* obj = FList[static_cast<size_t>(index)].Object;
    FList.erase(FList.begin() + index);
    if (FOwnsObjects)
        delete obj;
    Changed();
}

void TStringList::Clear() {
    if (FList.empty())
        return;
    Changing();
    std::vector<Item> old;
    old.swap(FList);
    if (FOwnsObjects)
        for (Item& item : old)
            delete item.Object;
    Changed();
}

int TStringList::IndexOf(const String& s) const {
    if (!FSorted) {
        for (int i = 0; i < Count(); ++i)
            if (CompareStrings(FList[static_cast<size_t>(i)].Text, s) == 0)
                return i;
        return -1;
    }
    int index;
    return Find(s, index) ? index : -1;
}

bool TStringList::Find(const String& s, int& index) const {
    // Lower bound, so with duplicates the first equal entry is found.
    int lo = 0, hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int c = CompareStrings(FList[static_cast<size_t>(mid)].Text, s);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0)
                found = true;
        }
    }
    index = lo;
    return found;
}

void TStringList::Exchange(int a, int b) {
    CheckIndex(a);
    CheckIndex(b);
    Changing();
    std::swap(FList[static_cast<size_t>(a)], FList[static_cast<size_t>(b)]);
    Changed();
}

void TStringList::Sort() {
    Changing();
    std::stable_sort(FList.begin(), FList.end(),
                     [this](const Item& a, const Item& b) { return CompareStrings(a.Text, b.Text) < 0; });
    Changed();
}

void TStringList::CustomSort(const std::function<int(TStringList&, int, int)>& compare) {
    if (FSorted || Count() < 2)
        return;
    // Sort an index permutation with the caller's comparison, then apply it.
    std::vector<int> order(static_cast<size_t>(Count()));
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(*this, a, b) < 0; });
    Changing();
    std::vector<Item> sorted;
    sorted.reserve(FList.size());
    for (int i : order)
        sorted.push_back(std::move(FList[static_cast<size_t>(i)]));
    FList.swap(sorted);
    Changed();
}

void TStringList::SetSorted(bool value) {
    if (FSorted == value)
        return;
    if (value)
        Sort();
    FSorted = value;
}

void TStringList::SetCaseSensitive(bool value) {
    if (FCaseSensitive == value)
        return;
    FCaseSensitive = value;
    if (FSorted)
        Sort();
}

} // namespace vantrel
