#pragma once
// Inside the query dataset: a result column as the dataset's source files share it, and the
// 32-bit values of its record layout.
#include <vantrel/core/ODBCDataSet.h>
#include <vantrel/core/ODBCApi.h>
#include <vantrel/core/ODBCParams.h>

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace vantrel {

// One result column: its field value item (the bound buffer, an array of RowSetSize elements and
// indicators in block mode) and where its value lives in a record buffer.
struct TODBCDataSet::Column {
    TFieldValueItem Item;
    TFieldType Type = ftUnknown;
    SQLSMALLINT CType = SQL_C_DEFAULT;
    SQLUSMALLINT Number = 0;
    /// Bytes of one bound element; the element stride in block mode.
    SQLLEN BindLength = 0;
    /// Offset of the indicator byte in a record buffer; the data area follows it.
    int RecordOffset = 0;
    /// Bytes of the data area.
    int DataSize = 0;
    /// The field last read through this column and its DataSize, so a fetch loop does not ask
    /// the field (a virtual call) for every value. Fields keep their size while the dataset is open.
    mutable const TField* LastField = nullptr;
    mutable int LastFieldSize = 0;
    /// Bytes copied as they are for LastField (2, 4 or 8), 0 when its value needs more care.
    mutable int FixedCopy = 0;
    /// Longest value that is not cut (text and binary; the largest length for the others).
    SQLLEN Room = 0;
    /// The bound element is what the record's data area would hold (no conversion).
    bool SameLayout = false;

    /// The bound element of `row` of the row set.
    const char* Element(size_t row) const noexcept { return Item.Data() + row * static_cast<size_t>(BindLength); }
};

static_assert(std::is_same_v<TODBCLength, SQLLEN>, "field value items hold ODBC lengths");

inline int32_t ReadInt32(const char* p) {
    int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void WriteInt32(char* p, int32_t v) { std::memcpy(p, &v, sizeof v); }

} // namespace vantrel
