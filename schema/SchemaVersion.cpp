// The schema's version: derived from the declaration, kept in the database as a marker, read
// first at every start so that an up-to-date database costs one statement instead of the whole
// upgrade's look at its tables, columns, indexes and triggers.
//
// SQLite keeps it in the file's user_version (the file header: a copy or a restored backup carries
// its own). PostgreSQL keeps it as the comment on Reg: pg_dump saves it with that table and a
// restore puts back the backup's (none in a backup made before the marker), so a restored older
// database is never taken for an up-to-date one; a separate table would survive a restore of a
// backup that lacks it and then vouch for tables it did not come with.
#include "SchemaDetail.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QSqlQuery>

namespace kestrum::schema {
namespace {

// Every version this program has declared, oldest first, this build's last: a stored version
// found here is older, one not found is a later program's. SchemaVersionTest fails, naming the
// new value to append, when the declaration changes and this list does not.
const QList<quint32> Known{0x48fddc0fu, 0x15c835d3u};

const QString CommentPrefix = QStringLiteral("Kestrum schema version ");

QString typeText(ColumnType type) {
    switch (type) {
    case ColumnType::Integer: return QStringLiteral("integer");
    case ColumnType::Number: return QStringLiteral("number");
    case ColumnType::Rate: return QStringLiteral("rate");
    case ColumnType::Date: return QStringLiteral("date");
    case ColumnType::Boolean: return QStringLiteral("boolean");
    case ColumnType::Text: return QStringLiteral("text");
    }
    return {};
}

}  // namespace

namespace detail {

QString declarationText(const QList<Table>& tables, const QStringList& engineObjects) {
    QStringList lines;
    for (const Table& t : tables) {
        lines << QStringLiteral("table %1 key %2 work %3 derived %4")
                     .arg(t.name, t.key, QString::number(int(t.workTable)), QString::number(int(t.derived)));
        for (const Column& c : t.columns)
            lines << QStringLiteral("column %1 %2").arg(c.name, typeText(c.type)) +
                         (c.plainText ? QStringLiteral(" plain") : QString());
        for (const Index& index : indexesOf(t)) lines << QStringLiteral("index ") + index.name();
        for (Engine engine : {Engine::SQLite, Engine::PostgreSQL}) {
            lines << createTableStatement(engine, t);
            for (const Index& index : indexesOf(t)) lines << createIndexStatement(engine, index);
        }
    }
    lines << engineObjects;
    return lines.join(u'\n');
}

quint32 versionOf(const QString& declaration) {
    const QByteArray digest = QCryptographicHash::hash(declaration.toUtf8(), QCryptographicHash::Sha256);
    // 31 bits: SQLite's user_version is a signed 32-bit number, and 0 there means none.
    quint32 v = (quint32(quint8(digest[0])) << 24 | quint32(quint8(digest[1])) << 16 |
                 quint32(quint8(digest[2])) << 8 | quint32(quint8(digest[3]))) & 0x7fffffffu;
    return v == 0 ? 1 : v;
}

QStringList engineObjectStatements() {
    QStringList out;
    for (Engine engine : {Engine::SQLite, Engine::PostgreSQL})
        out << vehicleKeyStatements(engine) << invoiceSumsStatements(engine);
    out << foldedSortStatements();
    return out;
}

void writeVersion(QSqlDatabase& db, quint32 version) {
    QSqlQuery q(db);
    // Neither statement takes parameters; the value is this program's own number.
    const QString sql = engineOf(db) == Engine::PostgreSQL
                            ? (version ? QStringLiteral("COMMENT ON TABLE Reg IS '%1'").arg(CommentPrefix + versionText(version))
                                       : QStringLiteral("COMMENT ON TABLE Reg IS NULL"))
                            : QStringLiteral("PRAGMA user_version = %1").arg(version);
    if (!q.exec(sql)) failed(q.lastError(), QStringLiteral("Writing the schema's version"));
}

}  // namespace detail

quint32 schemaVersion() {
    static const quint32 version =
        detail::versionOf(detail::declarationText(tables(), detail::engineObjectStatements()));
    return version;
}

QString versionText(quint32 version) {
    return QStringLiteral("%1").arg(version, 8, 16, QLatin1Char('0'));
}

const QList<quint32>& knownVersions() {
    return Known;
}

quint32 storedVersion(QSqlDatabase& db) {
    if (!db.isOpen()) throw SchemaError("The database is not open.");
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (engineOf(db) == Engine::PostgreSQL) {
        q.prepare(QStringLiteral("SELECT obj_description(to_regclass(?), 'pg_class')"));
        q.addBindValue(QStringLiteral("reg"));
        if (!q.exec()) detail::failed(q.lastError(), QStringLiteral("Reading the schema's version"));
        if (!q.next()) return 0;
        static const QRegularExpression marker(QStringLiteral("^Kestrum schema version ([0-9a-f]{8})$"));
        const QRegularExpressionMatch m = marker.match(q.value(0).toString());
        return m.hasMatch() ? m.captured(1).toUInt(nullptr, 16) : 0;
    }
    if (!q.exec(QStringLiteral("PRAGMA user_version")))
        detail::failed(q.lastError(), QStringLiteral("Reading the schema's version"));
    return q.next() ? quint32(q.value(0).toLongLong()) & 0x7fffffffu : 0;
}

VersionState versionState(quint32 stored) {
    if (stored == schemaVersion()) return VersionState::Current;
    if (stored == 0 || Known.contains(stored)) return VersionState::Older;
    return VersionState::Newer;
}

QStringList upgradeAtStart(QSqlDatabase& db) {
    const quint32 stored = storedVersion(db);
    switch (versionState(stored)) {
    case VersionState::Current:
        return {};
    case VersionState::Older:
        return upgradeDatabase(db);
    case VersionState::Newer:
        break;
    }
    // A later Kestrum made it: workstations not yet updated keep working on it as long as it
    // has all they need; what it lacks is not theirs to add.
    const QStringList missing = checkDatabase(db);
    if (missing.isEmpty()) return {};
    throw LaterVersionError(QStringLiteral("This database was brought to schema version %1 by a later version of Kestrum; "
                                     "this Kestrum (schema version %2) cannot use it, as it lacks:\n\n%3\n\n"
                                     "Nothing was changed. Install the later version of Kestrum on this workstation.")
                          .arg(versionText(stored), versionText(schemaVersion()), missing.join(u'\n'))
                          .toStdString());
}

}  // namespace kestrum::schema
