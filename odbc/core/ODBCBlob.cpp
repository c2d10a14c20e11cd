#include <vantrel/core/ODBCBlob.h>

#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCError.h>

namespace vantrel {

TODBCBlobStream::TODBCBlobStream(TField* field, TBlobStreamMode mode) {
    Attach(field);
    Open(mode);
}

TODBCBlobStream::TODBCBlobStream(TField* field, TBlobStreamMode, DeferOpen) { Attach(field); }

TODBCBlobStream::~TODBCBlobStream() = default;

void TODBCBlobStream::Attach(TField* field) {
    FDataSet = field ? dynamic_cast<TODBCDataSet*>(field->DataSet()) : nullptr;
    if (!FDataSet) DatabaseError(LoadResString(SODBCInvalidBLOB));
    FField = field;
    FRecord = FDataSet->ActiveBuffer();
    FFieldNo = field->FieldNo();
}

void TODBCBlobStream::Open(TBlobStreamMode mode) {
    if (!FRecord) return;
    if (mode != bmRead) {
        const TDataSetState state = FDataSet->State();
        if (FField->ReadOnly() || (state != dsEdit && state != dsInsert))
            DatabaseErrorFmt(LoadResString(SODBCFieldReadOnly), {FField->DisplayName()}, FDataSet);
    }
    if (mode == bmWrite)
        Truncate();
    else
        ReadBlobData();
}

int64_t TODBCBlobStream::Write(const void* buffer, int64_t count) { return TMemoryStream::Write(buffer, count); }

void TODBCBlobStream::ReadBlobData() {
    Clear();
    // The dataset reads the field's own column (by its number) of the record's row, in pieces
    // as long as the driver has data, so no length the driver reports is trusted.
    String data;
    if (FRecord && FDataSet->ReadColumnData(FField, data)) {
        const TFieldType type = FField->DataType();
        TODBCDatabase* db = FDataSet->ODBCDatabase();
        if (db && db->StringTrimRight() && (type == ftString || type == ftMemo)) {
            size_t n = data.size();
            while (n > 0 && data[n - 1] == ' ') --n;
            data.resize(n);
        }
        if (!data.empty()) TMemoryStream::Write(data.data(), static_cast<int64_t>(data.size()));
    }
    Seek(0, soBeginning);
}

void TODBCBlobStream::Truncate() {
    Clear();
    FModified = true;
    if (auto* blob = dynamic_cast<TBlobField*>(FField)) blob->SetModified(true);
}

}  // namespace vantrel
