// A small editable in-memory dataset for the grid and tool tests: rows of native field values,
// bookmarks are row keys ordered by position, GetRecord calls are counted.
#pragma once

#include <vantrel/framework/DB.h>

#include <cstring>
#include <string>
#include <vector>

namespace vantrel::test {

struct TMemColumn {
    String Name;
    TFieldType Type;
    int Size = 0;
};

class TMemDataSet : public TDataSet {
public:
    TMemDataSet(TComponent* owner, std::vector<TMemColumn> columns)
        : TDataSet(owner), FColumns(std::move(columns)) {
        int offset = 0;
        for (const TMemColumn& c : FColumns) {
            FOffsets.push_back(offset);
            offset += 1 + DataSizeOf(c);
        }
        FDataSize = offset;
    }
    ~TMemDataSet() override { Close(); }

    /// Appends rows through the dataset (opens it when closed).
    void AddRows(const std::vector<std::vector<Variant>>& rows) {
        if (!Active())
            Open();
        DisableControls();
        for (const auto& r : rows)
            AppendRecord(r);
        First();
        EnableControls();
    }
    int RowCount() const { return static_cast<int>(FRows.size()); }
    long Reads = 0; // records read by GetRecord
    bool ReadOnlyData = false;

protected:
    static int DataSizeOf(const TMemColumn& c) {
        switch (c.Type) {
        case ftString:
        case ftFixedChar:
            return c.Size + 1;
        case ftSmallint:
        case ftBoolean:
        case ftWord:
            return 2;
        case ftInteger:
        case ftDate:
        case ftTime:
        case ftAutoInc:
            return 4;
        default:
            return 8;
        }
    }
    struct Row {
        int64_t Key;
        std::vector<char> Data;
    };
    static constexpr int Header = 9; // key, flag
    int GetRecordSize() override { return Header + FDataSize; }
    TRecordBuffer AllocRecordBuffer() override { return new char[static_cast<size_t>(GetRecordSize())](); }
    void FreeRecordBuffer(TRecordBuffer& b) override {
        delete[] b;
        b = nullptr;
    }
    void InternalOpen() override {
        FOpen = true;
        FCur = -1;
        InternalInitFieldDefs();
        if (DefaultFields())
            CreateFields();
        BindFields(true);
    }
    void InternalClose() override {
        BindFields(false);
        if (DefaultFields())
            DestroyFields();
        FOpen = false;
    }
    bool IsCursorOpen() const override { return FOpen; }
    void InternalInitFieldDefs() override {
        FieldDefs()->Clear();
        for (const TMemColumn& c : FColumns)
            FieldDefs()->Add(c.Name, c.Type, c.Type == ftString || c.Type == ftFixedChar ? c.Size : 0);
    }
    void InternalFirst() override { FCur = -1; }
    void InternalLast() override { FCur = static_cast<int>(FRows.size()); }
    void Fill(TRecordBuffer b) {
        const Row& r = FRows[static_cast<size_t>(FCur)];
        std::memcpy(b, &r.Key, 8);
        b[8] = bfCurrent;
        std::memcpy(b + Header, r.Data.data(), static_cast<size_t>(FDataSize));
        ++Reads;
    }
    TGetResult GetRecord(TRecordBuffer b, TGetMode mode, bool) override {
        int n = static_cast<int>(FRows.size());
        if (mode == gmCurrent) {
            if (FCur < 0 || FCur >= n)
                return FCur < 0 ? grBOF : grEOF;
            Fill(b);
            return grOK;
        }
        int step = mode == gmNext ? 1 : -1;
        for (;;) {
            FCur += step;
            if (FCur >= n) {
                FCur = n;
                return grEOF;
            }
            if (FCur < 0) {
                FCur = -1;
                return grBOF;
            }
            Fill(b);
            if (!Filtered() || DoFilterRecord(b))
                return grOK;
        }
    }
    int IndexOfKey(int64_t key) const {
        for (size_t i = 0; i < FRows.size(); ++i)
            if (FRows[i].Key == key)
                return static_cast<int>(i);
        return -1;
    }
    void InternalGotoBookmark(const void* bm) override {
        int64_t key;
        std::memcpy(&key, bm, 8);
        int i = IndexOfKey(key);
        if (i < 0)
            DatabaseError("Record not found", this);
        FCur = i;
    }
    void InternalSetToRecord(TRecordBuffer b) override {
        int64_t key;
        std::memcpy(&key, b, 8);
        int i = IndexOfKey(key);
        if (i >= 0)
            FCur = i;
    }
    void GetBookmarkData(TRecordBuffer b, void* data) override { std::memcpy(data, b, 8); }
    void SetBookmarkData(TRecordBuffer b, const void* data) override { std::memcpy(b, data, 8); }
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer b) override { return static_cast<TBookmarkFlag>(b[8]); }
    void SetBookmarkFlag(TRecordBuffer b, TBookmarkFlag f) override { b[8] = static_cast<char>(f); }
    int GetRecordCount() override { return static_cast<int>(FRows.size()); }
    bool GetCanModify() override { return !ReadOnlyData; }

public:
    int CompareBookmarks(const TBookmark& a, const TBookmark& b) override {
        if (a.IsNull() || b.IsNull())
            return TDataSet::CompareBookmarks(a, b);
        int64_t ka, kb;
        std::memcpy(&ka, a.Data(), 8);
        std::memcpy(&kb, b.Data(), 8);
        int ia = IndexOfKey(ka), ib = IndexOfKey(kb);
        return ia < ib ? -1 : ia > ib ? 1 : 0;
    }
    bool BookmarkValid(const TBookmark& bm) override {
        if (!TDataSet::BookmarkValid(bm))
            return false;
        int64_t k;
        std::memcpy(&k, bm.Data(), 8);
        return IndexOfKey(k) >= 0;
    }

protected:
    bool GetFieldData(TField* field, void* buffer) override {
        char* r = StateBuffer();
        if (!r || field->FieldNo() < 1)
            return false;
        size_t i = static_cast<size_t>(field->FieldNo() - 1);
        const char* p = r + Header + FOffsets[i];
        if (!p[0])
            return false;
        if (buffer)
            std::memcpy(buffer, p + 1, static_cast<size_t>(DataSizeOf(FColumns[i])));
        return true;
    }
    void SetFieldData(TField* field, const void* buffer) override {
        CheckFieldCanWrite(field);
        field->Validate(buffer);
        char* r = StateBuffer();
        size_t i = static_cast<size_t>(field->FieldNo() - 1);
        char* p = r + Header + FOffsets[i];
        int size = DataSizeOf(FColumns[i]);
        p[0] = buffer != nullptr;
        std::memset(p + 1, 0, static_cast<size_t>(size));
        if (buffer)
            std::memcpy(p + 1, buffer, static_cast<size_t>(size));
        DataEvent(deFieldChange, reinterpret_cast<intptr_t>(field));
    }
    void InternalPost() override {
        char* b = ActiveBuffer();
        Row row;
        std::memcpy(&row.Key, b, 8);
        row.Data.assign(b + Header, b + Header + FDataSize);
        if (State() == dsEdit) {
            FRows[static_cast<size_t>(IndexOfKey(row.Key))] = row;
            return;
        }
        int at = static_cast<int>(FRows.size());
        if (b[8] == bfInserted) {
            int i = IndexOfKey(row.Key);
            if (i >= 0)
                at = i;
        } else if (b[8] == bfBOF) {
            at = 0;
        }
        row.Key = FNextKey++;
        FRows.insert(FRows.begin() + at, row);
        FCur = at;
    }
    void InternalDelete() override {
        FRows.erase(FRows.begin() + FCur);
        if (FCur >= static_cast<int>(FRows.size()))
            FCur = static_cast<int>(FRows.size()) - 1;
    }

private:
    std::vector<TMemColumn> FColumns;
    std::vector<int> FOffsets;
    int FDataSize = 0;
    std::vector<Row> FRows;
    int64_t FNextKey = 1;
    bool FOpen = false;
    int FCur = -1;
};

} // namespace vantrel::test
