#pragma once
// Inside the entity layer: what the entity learnt of the catalog, and the checks of names and
// phrases shared by its source files.
#include <vantrel/entity/ODBCEntity.h>

#include <map>
#include <vector>

namespace vantrel {

/// Table names and columns of the entity's connection, in the catalog's spelling.
struct TEntity::Catalog {
    struct Table {
        String Ref; ///< quoted, ready for SQL
        std::vector<String> Columns;
    };

    TODBCDatabase* Db = nullptr;
    String Quote = "\"";
    bool Postgres = false;
    std::vector<String> TableNames;
    std::map<String, Table> Tables; ///< by upper-cased name as given

    String QuoteName(const String& name) const;
    /// \brief The table of that name (exact, else the one matching ignoring case); throws
    /// EEntityException "Table %s not found".
    const Table& FindTable(const String& name);
    /// \brief The quoted column of the table; throws "Column %s is not in table %s".
    String Column(const String& table, const String& column);
};

namespace entity_detail {
/// \brief Refuses a developer's SQL phrase holding a ";", a comment, a NUL or unbalanced quotes
/// or parentheses outside quotes.
void CheckPhrase(const String& phrase);
/// Letters, digits, "_" and "$", starting with a letter or "_".
bool IsIdentifier(const String& name);
/// A name that can go inside quotes and into a parameter name: no quotes, ";", ":" or control
/// characters, not blank.
bool IsSafeName(const String& name);
/// Ends the names of the parameters the view's filter values make, so that they never meet a
/// where phrase's parameter of the same field.
inline constexpr const char* FilterParamSuffix = "#filter";
} // namespace entity_detail

} // namespace vantrel
