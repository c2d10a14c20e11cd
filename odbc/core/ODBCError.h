#pragma once
// The exceptions of Vantrel's ODBC components and the library's message table. Public: callers
// catch these; the driver manager's headers stay out of it.
#include <vantrel/framework/DBError.h>
#include <vantrel/framework/SysUtils.h>

#include <cstdint>
#include <vector>

namespace vantrel {

/// Opaque ODBC handle as the public API hands it out (SQLHENV/SQLHDBC/SQLHSTMT are this type).
using TODBCHandle = void*;

/// \brief True unless `rc` is SQL_ERROR, SQL_INVALID_HANDLE or SQL_STILL_EXECUTING.
/// SQL_NO_DATA_FOUND (100) and SQL_NEED_DATA (99) count as success; callers test them apart.
bool RetCodeIsSuccessful(int16_t rc) noexcept;

/// SQL_LEN_DATA_AT_EXEC: length marker of a data-at-execution parameter.
constexpr long LenDataAtExec(long length) noexcept { return -100 - length; }

/// One diagnostic record as the driver reported it.
struct ODBCDiagnostic {
    String State;          ///< five-character SQLSTATE
    int32_t NativeError = 0;
    String Text;
    bool Truncated = false; ///< the driver's text was longer than the call buffer and was cut
};

/// \brief A failed ODBC call, with every diagnostic record the driver had for it.
/// Message() is built exactly as CreateODBCError describes; the handles are those the call used
/// (any may be null) and stay owned by their components.
class EODBCError : public EDatabaseError {
public:
    EODBCError(const String& message, TODBCHandle env, TODBCHandle dbc, TODBCHandle stmt, int32_t nativeError,
               String states, String firstError, std::vector<ODBCDiagnostic> records);

    TODBCHandle Env() const noexcept { return env_; }
    TODBCHandle Dbc() const noexcept { return dbc_; }
    TODBCHandle Stmt() const noexcept { return stmt_; }
    /// First non-zero native code met, or 0.
    int32_t NativeError() const noexcept { return nativeError_; }
    /// The states of all calls made, separated by ";" (the closing no-data call adds "00000").
    const String& SQLStates() const noexcept { return states_; }
    /// Text of the record that gave the native code (of the first record when none did).
    const String& FirstError() const noexcept { return firstError_; }
    /// The real records only (without the closing no-data call).
    const std::vector<ODBCDiagnostic>& Records() const noexcept { return records_; }
    /// True when any record's text did not fit the call buffer.
    bool Truncated() const noexcept;
    /// The ODBC call (or library operation) that failed; empty when unknown.
    const String& Operation() const noexcept { return operation_; }
    void SetOperation(String operation) { operation_ = std::move(operation); }

private:
    TODBCHandle env_;
    TODBCHandle dbc_;
    TODBCHandle stmt_;
    int32_t nativeError_;
    String states_;
    String firstError_;
    std::vector<ODBCDiagnostic> records_;
    String operation_;
};

/// \brief Library misuse that is not an ODBC failure ("Database open", "Parameter type not
/// supported").
class EODBCDatabaseError : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

// ---------------------------------------------------------------------------------------------
// Message table. Each text is looked up when the error is raised, so a translation installed with
// SetResourceString (or LoadResourceStrings) replaces it without code changes.

struct ResourceString {
    int Id;
    const char* Name;
    const char* Default;
};

extern const ResourceString SODBCParameterNotFound;
extern const ResourceString SODBCInvalidVersion;
extern const ResourceString SODBCParamTooBig;
extern const ResourceString SODBCFieldUndefinedType;
extern const ResourceString SODBCFieldUnsupportedType;
extern const ResourceString SODBCTextTrue;
extern const ResourceString SODBCTextFalse;
extern const ResourceString SODBCEmptySQLStatement;
extern const ResourceString SODBCFieldReadOnly;
extern const ResourceString SODBCNotEditing;
extern const ResourceString SODBCNotCorrect;
extern const ResourceString SODBCDataBaseOpen;
extern const ResourceString SODBCDataBaseNotOpen;
extern const ResourceString SODBCDataSetOpen;
extern const ResourceString SODBCDataSetNotOpen;
extern const ResourceString SODBCDatabaseExists;
extern const ResourceString SODBCMaxStringSize;
extern const ResourceString SODBCMaxBlobBuffer;
extern const ResourceString SODBCInvalidBLOB;
extern const ResourceString SODBCNotImplemented;
extern const ResourceString SODBCInternalComponentError;

/// \brief The current text of a message (its replacement if one is installed, else the default).
String LoadResString(const ResourceString& res);
/// \brief The current text by string-table id; empty for an unknown id.
String LoadStr(int id);
/// \brief Replaces the text of message `id`; false for an unknown id.
bool SetResourceString(int id, const String& text);
/// \brief Installs replacements from lines "Id=Text" or "Name=Text"; returns how many were taken.
int LoadResourceStrings(const std::vector<String>& lines);
/// \brief Drops every replacement.
void ResetResourceStrings();

}  // namespace vantrel
