// The parts and labor sums of every invoice number, kept in InvoiceSums by triggers on the line
// tables, so that every writer (this program, an older one on another counter, the archive, the
// estimate conversion, a restore) keeps them true. Each trigger sums the number's lines again
// rather than adding and subtracting amounts, so a sum is always the one the lines give.
//
// SQLite: a trigger per line table and event, per row. PostgreSQL: one trigger function per line
// table, run once per statement over the numbers the statement touched (transition tables), so
// a bulk insert sums each invoice once.
#include "SchemaDetail.h"

#include <QSqlQuery>

namespace kestrum::schema {
namespace {

struct Lines {
    const char* table;
    const char* number;
    const char* amount;
    const char* sum;  // its column in InvoiceSums
};

const Lines LineTables[] = {{"InvItem", "Inv_Item", "Amount_Item", "Parts_Sums"},
                            {"InvLabor", "Inv_Labor", "Amount_Labor", "Labor_Sums"}};

const char* const SqliteEvents[] = {"Insert", "Update", "Delete"};
const char* const PgEvents[] = {"Insert", "Update", "Delete", "Truncate"};

void run(QSqlQuery& q, const QString& sql) {
    if (!q.exec(sql)) detail::failed(q.lastError(), sql.section(u'\n', 0, 0));
}

QString triggerName(const Lines& l, const char* event) {
    return QStringLiteral("InvoiceSums_%1_%2").arg(QLatin1String(l.table), QLatin1String(event));
}

bool hasTrigger(QSqlDatabase& db, Engine engine, const QString& name) {
    QSqlQuery q(db);
    q.prepare(engine == Engine::PostgreSQL
                  ? QStringLiteral("SELECT 1 FROM pg_trigger t JOIN pg_class c ON c.oid = t.tgrelid JOIN pg_namespace n "
                                   "ON n.oid = c.relnamespace WHERE t.tgname = ? AND n.nspname = current_schema()")
                  : QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'trigger' AND name = ? COLLATE NOCASE"));
    q.addBindValue(engine == Engine::PostgreSQL ? name.toLower() : name);
    if (!q.exec()) detail::failed(q.lastError(), QStringLiteral("Reading the database's triggers"));
    return q.next();
}

QStringList missingTriggers(QSqlDatabase& db, Engine engine) {
    QStringList missing;
    for (const Lines& l : LineTables) {
        if (engine == Engine::PostgreSQL) {
            for (const char* e : PgEvents)
                if (!hasTrigger(db, engine, triggerName(l, e))) missing << triggerName(l, e);
        } else {
            for (const char* e : SqliteEvents)
                if (!hasTrigger(db, engine, triggerName(l, e))) missing << triggerName(l, e);
        }
    }
    return missing;
}

// A number's row goes when it has no amounts left, so a row is there exactly when the lines
// have a sum (as the fill makes them).
QString dropEmpty(const QString& number) {
    return QStringLiteral("DELETE FROM InvoiceSums WHERE InvoiceNo_Sums = %1 AND Parts_Sums IS NULL AND "
                          "Labor_Sums IS NULL;")
        .arg(number);
}

// --- SQLite ---

// Only whole numbers can name an invoice (its number is the rowid); anything else a line holds
// matches none, as in the windows' sums.
QString sqliteSumOf(const Lines& l, const QString& row) {
    return QStringLiteral("(SELECT Sum(%1) FROM %2 WHERE %3 = %4.%3)")
        .arg(QLatin1String(l.amount), QLatin1String(l.table), QLatin1String(l.number), row);
}

QString sqliteAdd(const Lines& l) {
    return QStringLiteral("INSERT INTO InvoiceSums (InvoiceNo_Sums, %1) SELECT new.%2, %3 WHERE typeof(new.%2) = "
                          "'integer' ON CONFLICT (InvoiceNo_Sums) DO UPDATE SET %1 = excluded.%1; ")
               .arg(QLatin1String(l.sum), QLatin1String(l.number), sqliteSumOf(l, QStringLiteral("new"))) +
           dropEmpty(QStringLiteral("new.") + QLatin1String(l.number));
}

QString sqliteRemove(const Lines& l) {
    return QStringLiteral("UPDATE InvoiceSums SET %1 = %2 WHERE InvoiceNo_Sums = old.%3; ")
               .arg(QLatin1String(l.sum), sqliteSumOf(l, QStringLiteral("old")), QLatin1String(l.number)) +
           dropEmpty(QStringLiteral("old.") + QLatin1String(l.number));
}

QStringList sqliteStatements(const Lines& l) {
    const QString table = QLatin1String(l.table);
    return {QStringLiteral("CREATE TRIGGER %1 AFTER INSERT ON %2 BEGIN %3 END").arg(triggerName(l, "Insert"), table, sqliteAdd(l)),
            // A line moved to another number leaves the old one's sum and joins the new one's.
            QStringLiteral("CREATE TRIGGER %1 AFTER UPDATE OF %2, %3 ON %4 BEGIN %5 %6 END")
                .arg(triggerName(l, "Update"), QLatin1String(l.number), QLatin1String(l.amount), table, sqliteRemove(l),
                     sqliteAdd(l)),
            QStringLiteral("CREATE TRIGGER %1 AFTER DELETE ON %2 BEGIN %3 END").arg(triggerName(l, "Delete"), table, sqliteRemove(l))};
}

// --- PostgreSQL ---

QString pgFunction(const Lines& l) {
    return QStringLiteral("InvoiceSums_%1").arg(QLatin1String(l.table));
}

QString pgMakeFunction(const Lines& l) {
    // The numbers' rows are taken first, in number order: two counters writing lines of one
    // invoice then take turns, and the second sums what the first committed.
    return QStringLiteral(
               "CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS $body$\n"
               "DECLARE numbers integer[];\n"
               "BEGIN\n"
               "  IF TG_OP = 'TRUNCATE' THEN\n"
               "    UPDATE InvoiceSums SET %2 = NULL WHERE %2 IS NOT NULL;\n"
               "    DELETE FROM InvoiceSums WHERE Parts_Sums IS NULL AND Labor_Sums IS NULL;\n"
               "    RETURN NULL;\n"
               "  ELSIF TG_OP = 'INSERT' THEN\n"
               "    numbers := ARRAY(SELECT DISTINCT %3 FROM new_lines WHERE %3 IS NOT NULL ORDER BY 1);\n"
               "  ELSIF TG_OP = 'DELETE' THEN\n"
               "    numbers := ARRAY(SELECT DISTINCT %3 FROM old_lines WHERE %3 IS NOT NULL ORDER BY 1);\n"
               "  ELSE\n"
               "    numbers := ARRAY(SELECT %3 FROM new_lines WHERE %3 IS NOT NULL UNION\n"
               "                     SELECT %3 FROM old_lines WHERE %3 IS NOT NULL ORDER BY 1);\n"
               "  END IF;\n"
               "  INSERT INTO InvoiceSums (InvoiceNo_Sums) SELECT unnest(numbers) ON CONFLICT DO NOTHING;\n"
               "  PERFORM 1 FROM InvoiceSums WHERE InvoiceNo_Sums = ANY (numbers) ORDER BY InvoiceNo_Sums FOR UPDATE;\n"
               "  UPDATE InvoiceSums s SET %2 = (SELECT Sum(l.%4) FROM %5 l WHERE l.%3 = s.InvoiceNo_Sums)\n"
               "    WHERE s.InvoiceNo_Sums = ANY (numbers);\n"
               "  DELETE FROM InvoiceSums WHERE InvoiceNo_Sums = ANY (numbers) AND Parts_Sums IS NULL AND Labor_Sums IS NULL;\n"
               "  RETURN NULL;\n"
               "END\n"
               "$body$")
        .arg(pgFunction(l), QLatin1String(l.sum), QLatin1String(l.number), QLatin1String(l.amount),
             QLatin1String(l.table));
}

QStringList pgStatements(const Lines& l) {
    const QString table = QLatin1String(l.table);
    const QString call = QStringLiteral("FOR EACH STATEMENT EXECUTE FUNCTION %1()").arg(pgFunction(l));
    return {pgMakeFunction(l),
            QStringLiteral("CREATE TRIGGER %1 AFTER INSERT ON %2 REFERENCING NEW TABLE AS new_lines %3")
                .arg(triggerName(l, "Insert"), table, call),
            QStringLiteral("CREATE TRIGGER %1 AFTER UPDATE ON %2 REFERENCING OLD TABLE AS old_lines NEW TABLE AS "
                           "new_lines %3")
                .arg(triggerName(l, "Update"), table, call),
            QStringLiteral("CREATE TRIGGER %1 AFTER DELETE ON %2 REFERENCING OLD TABLE AS old_lines %3")
                .arg(triggerName(l, "Delete"), table, call),
            QStringLiteral("CREATE TRIGGER %1 AFTER TRUNCATE ON %2 %3").arg(triggerName(l, "Truncate"), table, call)};
}

// Every number's sums from the lines, in one statement; grouped, so each line is read once.
QString fillStatement(Engine engine) {
    QStringList numbers, sums;
    for (const Lines& l : LineTables) {
        const QString valid = engine == Engine::PostgreSQL
                                  ? QStringLiteral("%1 IS NOT NULL").arg(QLatin1String(l.number))
                                  : QStringLiteral("typeof(%1) = 'integer'").arg(QLatin1String(l.number));
        numbers << QStringLiteral("SELECT %1 AS Inv FROM %2 WHERE %3").arg(QLatin1String(l.number), QLatin1String(l.table), valid);
        sums << QStringLiteral("LEFT JOIN (SELECT %1 AS Inv, Sum(%2) AS Amount FROM %3 WHERE %4 GROUP BY %1) %5 ON %5.Inv = N.Inv")
                    .arg(QLatin1String(l.number), QLatin1String(l.amount), QLatin1String(l.table), valid,
                         QLatin1String(l.sum).left(1));
    }
    return QStringLiteral("INSERT INTO InvoiceSums (InvoiceNo_Sums, Parts_Sums, Labor_Sums) SELECT N.Inv, P.Amount, "
                          "L.Amount FROM (%1) N %2 WHERE P.Amount IS NOT NULL OR L.Amount IS NOT NULL")
        .arg(numbers.join(QStringLiteral(" UNION ")), sums.join(u' '));
}

}  // namespace

namespace detail {

QStringList missingInvoiceSums(QSqlDatabase& db) {
    // One line, as the upgrade makes them (and refills the sums) in one step.
    const QStringList missing = missingTriggers(db, engineOf(db));
    if (missing.isEmpty()) return {};
    return {QStringLiteral("Triggers keeping %1 are missing: %2").arg(InvoiceSumsTable, missing.join(QStringLiteral(", ")))};
}

QStringList invoiceSumsStatements(Engine engine) {
    QStringList out;
    for (const Lines& l : LineTables) out << (engine == Engine::PostgreSQL ? pgStatements(l) : sqliteStatements(l));
    out << QStringLiteral("DELETE FROM InvoiceSums") << fillStatement(engine);
    // Autovacuum would see the new rows only a minute later; until then PostgreSQL plans the
    // reports that join the sums as if the table were small.
    if (engine == Engine::PostgreSQL) out << QStringLiteral("ANALYZE InvoiceSums");
    return out;
}

QStringList addInvoiceSums(QSqlDatabase& db) {
    const Engine engine = engineOf(db);
    if (missingTriggers(db, engine).isEmpty()) return {};
    // Made whole again: a missing trigger means the sums may have missed writes.
    dropInvoiceSumsTriggers(db);
    QSqlQuery q(db);
    for (const QString& sql : invoiceSumsStatements(engine)) run(q, sql);
    q.finish();
    return {QStringLiteral("Sums of InvoiceSums filled from the part and labor lines, and kept by triggers on "
                           "InvItem and InvLabor")};
}

}  // namespace detail

void dropInvoiceSumsTriggers(QSqlDatabase& db) {
    const Engine engine = engineOf(db);
    QSqlQuery q(db);
    for (const Lines& l : LineTables)
        for (const char* e : PgEvents)
            run(q, engine == Engine::PostgreSQL
                       ? QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2").arg(triggerName(l, e), QLatin1String(l.table))
                       : QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(triggerName(l, e)));
    q.finish();
    // The database lacks part of this version's shape now: the next start must look.
    detail::writeVersion(db, 0);
}

}  // namespace kestrum::schema
