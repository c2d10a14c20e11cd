// The parts and labor sums of every invoice number, the sum and latest date of its payments, and
// the invoice's total and whether a balance is left, kept in InvoiceSums by triggers on the line,
// payment, invoice and rate tables, so that every writer (this program, an older one on another
// counter, the archive, the estimate conversion, a restore) keeps them true. Each trigger works
// the number's figures out again rather than adding and subtracting amounts, so a figure is
// always the one the rows give.
//
// SQLite: a trigger per table and event, per row. PostgreSQL: one trigger function per table,
// run once per statement over the numbers the statement touched (transition tables), so a bulk
// insert works each invoice out once.
#include "SchemaDetail.h"

#include <QSqlQuery>

#include <utility>

namespace kestrum::schema {
namespace {

struct Figure {
    const char* column;  // in InvoiceSums
    const char* aggregate;
};

struct Source {
    const char* table;
    const char* number;
    const char* changed;  // the columns whose update changes a figure (SQLite's UPDATE OF)
    QList<Figure> figures;
};

// The payments' latest date tells the aging which invoices were paid wholly by the date it is
// asked for (their kept sum is then the sum as of that date).
const Source Sources[] = {
    {"InvItem", "Inv_Item", "Inv_Item, Amount_Item", {{"Parts_Sums", "Sum(%1Amount_Item)"}}},
    {"InvLabor", "Inv_Labor", "Inv_Labor, Amount_Labor", {{"Labor_Sums", "Sum(%1Amount_Labor)"}}},
    {"Receivable", "InvoiceNo_Receivable", "InvoiceNo_Receivable, Amount_Receivable, PayDate_Receivable",
     {{"Paid_Sums", "Sum(%1Amount_Receivable)"}, {"LastPay_Sums", "Max(%1PayDate_Receivable)"}}},
};

// Tables whose rows change an invoice's total but hold none of the figures: the invoice header
// (number, date and tax flag) and the tax rates. Their triggers only mark the invoices again.
const char* const Watched[] = {"Invoice", "Tax"};

QString aggregates(const Source& src, const QString& prefix) {
    QStringList all;
    for (const Figure& f : src.figures) all << QString::fromLatin1(f.aggregate).arg(prefix);
    return all.join(QStringLiteral(", "));
}

QString columns(const Source& src) {
    QStringList all;
    for (const Figure& f : src.figures) all << QLatin1String(f.column);
    return all.join(QStringLiteral(", "));
}

// "SET a = (SELECT ...)" or "SET (a, b) = (SELECT ...)": the source's figures from its rows.
QString assignment(const Source& src, const QString& select) {
    return (src.figures.size() == 1 ? columns(src) : u'(' + columns(src) + u')') + QStringLiteral(" = (") + select +
           u')';
}

const char* const SqliteEvents[] = {"Insert", "Update", "Delete"};
const char* const PgEvents[] = {"Insert", "Update", "Delete", "Truncate"};

void run(QSqlQuery& q, const QString& sql) {
    if (!q.exec(sql)) detail::failed(q.lastError(), sql.section(u'\n', 0, 0));
}

QString triggerName(const char* table, const char* event) {
    return QStringLiteral("InvoiceSums_%1_%2").arg(QLatin1String(table), QLatin1String(event));
}

QString triggerName(const Source& src, const char* event) {
    return triggerName(src.table, event);
}

QStringList triggerTables() {
    QStringList all;
    for (const Source& src : Sources) all << QLatin1String(src.table);
    for (const char* table : Watched) all << QLatin1String(table);
    return all;
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

// Every trigger keeping InvoiceSums on the engine, as (name, table).
QList<std::pair<QString, QString>> triggers(Engine engine) {
    QList<std::pair<QString, QString>> all;
    for (const QString& table : triggerTables()) {
        const QByteArray name = table.toLatin1();
        if (engine == Engine::PostgreSQL)
            for (const char* e : PgEvents) all.append({triggerName(name.constData(), e), table});
        else
            for (const char* e : SqliteEvents) all.append({triggerName(name.constData(), e), table});
    }
    return all;
}

QStringList missingTriggers(QSqlDatabase& db, Engine engine) {
    QStringList missing;
    for (const auto& [name, table] : triggers(engine))
        if (!hasTrigger(db, engine, name)) missing << name;
    return missing;
}

// A number's row goes when it has no amounts left (a latest date without a paid sum tells
// nothing), so a row is there exactly when the rows have a sum (as the fill makes them).
const QString Empty = QStringLiteral("Parts_Sums IS NULL AND Labor_Sums IS NULL AND Paid_Sums IS NULL");

QString dropEmpty(const QString& number) {
    return QStringLiteral("DELETE FROM InvoiceSums WHERE InvoiceNo_Sums = %1 AND %2;").arg(number, Empty);
}

// The invoice window's total of the invoice of the row `row`: parts + labor + the parts tax at
// the invoice month's rate, rounded to cents, as the aging works it out; NULL where no invoice
// has the number.
QString totalExpression(Engine engine, const QString& row) {
    const bool pg = engine == Engine::PostgreSQL;
    const QString date = QStringLiteral("H.InvoiceDate_Inv");
    const QString rate = QStringLiteral("Coalesce(%1, 0)")
                             .arg(coveringTaxRateSql(yearOfSql(engine, date), monthOfSql(engine, date)));
    return QStringLiteral("(SELECT Round(Coalesce(%3.Parts_Sums, 0) + Coalesce(%3.Labor_Sums, 0) + CASE WHEN H.Tax_Inv = "
                          "%1 THEN Coalesce(%3.Parts_Sums, 0) * %2 ELSE 0 END, 2) FROM Invoice H WHERE H.InvoiceNo_Inv = "
                          "%3.InvoiceNo_Sums)")
        .arg(pg ? QStringLiteral("true") : QStringLiteral("1"), rate, row);
}

// Whether that invoice has a balance when every payment is counted, from its total: the aging
// then works out only the invoices so marked and those paid after the date it is asked for.
QString openExpression(Engine engine, const QString& total, const QString& row) {
    return QStringLiteral("Coalesce(Round(%1 - Coalesce(%2.Paid_Sums, 0), 2) <> 0, %3)")
        .arg(total, row, engine == Engine::PostgreSQL ? QStringLiteral("false") : QStringLiteral("0"));
}

// The header's customer, date and due date (its date where it has none), as kept beside the figures.
const QString HeaderColumns = QStringLiteral("CustomerName_Sums, InvoiceDate_Sums, DueDate_Sums");

QString headerValues(const QString& header) {
    return QStringLiteral("%1.CustomerName_Inv, %1.InvoiceDate_Inv, Coalesce(%1.DueDate_Inv, %1.InvoiceDate_Inv)").arg(header);
}

// The total, the mark and the header's columns of the rows `where` picks, worked out again (no
// alias: SQLite allows none in a trigger). No header: all NULL but the mark.
QString markOpen(Engine engine, const QString& where) {
    const QString total = totalExpression(engine, QStringLiteral("InvoiceSums"));
    return QStringLiteral("UPDATE InvoiceSums SET Total_Sums = %1, Open_Sums = %2, (%3) = (SELECT %4 FROM Invoice H WHERE "
                          "H.InvoiceNo_Inv = InvoiceSums.InvoiceNo_Sums) WHERE %5;")
        .arg(total, openExpression(engine, total, QStringLiteral("InvoiceSums")), HeaderColumns,
             headerValues(QStringLiteral("H")), where);
}

// --- SQLite ---

// Only whole numbers can name an invoice (its number is the rowid); anything else a row holds
// matches none, as in the windows' sums.
QString sqliteFiguresOf(const Source& src, const QString& row) {
    return QStringLiteral("SELECT %1 FROM %2 WHERE %3 = %4.%3")
        .arg(aggregates(src, QString()), QLatin1String(src.table), QLatin1String(src.number), row);
}

QString sqliteAdd(const Source& src) {
    QStringList excluded;
    for (const Figure& f : src.figures)
        excluded << QStringLiteral("%1 = excluded.%1").arg(QLatin1String(f.column));
    return QStringLiteral("INSERT INTO InvoiceSums (InvoiceNo_Sums, %1) SELECT new.%2, * FROM (%3) WHERE typeof(new.%2) "
                          "= 'integer' ON CONFLICT (InvoiceNo_Sums) DO UPDATE SET %4; ")
               .arg(columns(src), QLatin1String(src.number), sqliteFiguresOf(src, QStringLiteral("new")),
                    excluded.join(QStringLiteral(", "))) +
           dropEmpty(QStringLiteral("new.") + QLatin1String(src.number)) +
           markOpen(Engine::SQLite, QStringLiteral("InvoiceNo_Sums = new.") + QLatin1String(src.number));
}

QString sqliteRemove(const Source& src) {
    return QStringLiteral("UPDATE InvoiceSums SET %1 WHERE InvoiceNo_Sums = old.%2; ")
               .arg(assignment(src, sqliteFiguresOf(src, QStringLiteral("old"))), QLatin1String(src.number)) +
           dropEmpty(QStringLiteral("old.") + QLatin1String(src.number)) +
           markOpen(Engine::SQLite, QStringLiteral("InvoiceNo_Sums = old.") + QLatin1String(src.number));
}

QStringList sqliteStatements(const Source& src) {
    const QString table = QLatin1String(src.table);
    return {QStringLiteral("CREATE TRIGGER %1 AFTER INSERT ON %2 BEGIN %3 END").arg(triggerName(src, "Insert"), table, sqliteAdd(src)),
            // A row moved to another number leaves the old one's figures and joins the new one's.
            QStringLiteral("CREATE TRIGGER %1 AFTER UPDATE OF %2 ON %3 BEGIN %4 %5 END")
                .arg(triggerName(src, "Update"), QLatin1String(src.changed), table, sqliteRemove(src), sqliteAdd(src)),
            QStringLiteral("CREATE TRIGGER %1 AFTER DELETE ON %2 BEGIN %3 END").arg(triggerName(src, "Delete"), table, sqliteRemove(src))};
}

// The invoices dated in a year (dates are ISO text, so the date index serves).
QString sqliteInvoicesOfYear(const QString& year) {
    return QStringLiteral("InvoiceNo_Sums IN (SELECT InvoiceNo_Inv FROM Invoice WHERE InvoiceDate_Inv >= (%1 || '-01-01') "
                          "AND InvoiceDate_Inv < ((%1 + 1) || '-01-01'))")
        .arg(year);
}

QStringList sqliteWatchedStatements() {
    const QString mark = QStringLiteral("CREATE TRIGGER %1 AFTER %2 ON %3 BEGIN %4 END");
    const auto one = [](const char* row) {
        return markOpen(Engine::SQLite, QStringLiteral("InvoiceNo_Sums = %1.InvoiceNo_Inv").arg(QLatin1String(row)));
    };
    const auto year = [](const char* row, const QString& also = QString()) {
        return markOpen(Engine::SQLite, sqliteInvoicesOfYear(QLatin1String(row) + QStringLiteral(".Year_T")) + also);
    };
    return {mark.arg(triggerName("Invoice", "Insert"), QStringLiteral("INSERT"), QStringLiteral("Invoice"), one("new")),
            mark.arg(triggerName("Invoice", "Update"), QStringLiteral("UPDATE OF InvoiceNo_Inv, InvoiceDate_Inv, Tax_Inv, CustomerName_Inv, DueDate_Inv"),
                     QStringLiteral("Invoice"), one("old") + u' ' + one("new")),
            mark.arg(triggerName("Invoice", "Delete"), QStringLiteral("DELETE"), QStringLiteral("Invoice"), one("old")),
            mark.arg(triggerName("Tax", "Insert"), QStringLiteral("INSERT"), QStringLiteral("Tax"), year("new")),
            // A rate edited within its year works that year's invoices out once.
            mark.arg(triggerName("Tax", "Update"), QStringLiteral("UPDATE OF Id_T, Year_T, A_T, E_T, Tax_T"),
                     QStringLiteral("Tax"),
                     year("old") + u' ' + year("new", QStringLiteral(" AND new.Year_T IS NOT old.Year_T"))),
            mark.arg(triggerName("Tax", "Delete"), QStringLiteral("DELETE"), QStringLiteral("Tax"), year("old"))};
}

// --- PostgreSQL ---

QString pgFunction(const Source& src) {
    return QStringLiteral("InvoiceSums_%1").arg(QLatin1String(src.table));
}

// The statement's rows' values of a column, old and new, as TG_OP has them, in order.
QString pgTouched(const QString& column, const QString& into) {
    return QStringLiteral(
               "  IF TG_OP = 'INSERT' THEN\n"
               "    %2 := ARRAY(SELECT DISTINCT %1 FROM new_rows WHERE %1 IS NOT NULL ORDER BY 1);\n"
               "  ELSIF TG_OP = 'DELETE' THEN\n"
               "    %2 := ARRAY(SELECT DISTINCT %1 FROM old_rows WHERE %1 IS NOT NULL ORDER BY 1);\n"
               "  ELSE\n"
               "    %2 := ARRAY(SELECT %1 FROM new_rows WHERE %1 IS NOT NULL UNION\n"
               "                     SELECT %1 FROM old_rows WHERE %1 IS NOT NULL ORDER BY 1);\n"
               "  END IF;\n")
        .arg(column, into);
}

QString pgMakeFunction(const Source& src) {
    QStringList cleared, set;
    for (const Figure& f : src.figures) {
        cleared << QStringLiteral("%1 = NULL").arg(QLatin1String(f.column));
        set << QStringLiteral("%1 IS NOT NULL").arg(QLatin1String(f.column));
    }
    // The numbers' rows are taken first, in number order: two counters writing rows of one
    // invoice then take turns, and the second works out what the first committed.
    return QStringLiteral(
               "CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS $body$\n"
               "DECLARE numbers integer[];\n"
               "BEGIN\n"
               "  IF TG_OP = 'TRUNCATE' THEN\n"
               "    UPDATE InvoiceSums SET %2 WHERE %3;\n"
               "    DELETE FROM InvoiceSums WHERE %4;\n"
               "    %8\n"
               "    RETURN NULL;\n"
               "  END IF;\n"
               "%5"
               "  INSERT INTO InvoiceSums (InvoiceNo_Sums) SELECT unnest(numbers) ON CONFLICT DO NOTHING;\n"
               "  PERFORM 1 FROM InvoiceSums WHERE InvoiceNo_Sums = ANY (numbers) ORDER BY InvoiceNo_Sums FOR UPDATE;\n"
               "  UPDATE InvoiceSums s SET %6\n"
               "    WHERE s.InvoiceNo_Sums = ANY (numbers);\n"
               "  DELETE FROM InvoiceSums WHERE InvoiceNo_Sums = ANY (numbers) AND %4;\n"
               "  %7\n"
               "  RETURN NULL;\n"
               "END\n"
               "$body$")
        .arg(pgFunction(src), cleared.join(QStringLiteral(", ")), set.join(QStringLiteral(" OR ")), Empty,
             pgTouched(QLatin1String(src.number), QStringLiteral("numbers")),
             assignment(src, QStringLiteral("SELECT %1 FROM %2 l WHERE l.%3 = s.InvoiceNo_Sums")
                                 .arg(aggregates(src, QStringLiteral("l.")), QLatin1String(src.table),
                                      QLatin1String(src.number))),
             markOpen(Engine::PostgreSQL, QStringLiteral("InvoiceNo_Sums = ANY (numbers)")),
             // The totals and marks follow the emptied table too.
             markOpen(Engine::PostgreSQL, QStringLiteral("true")));
}

QStringList pgTriggers(const QString& table, const QString& function) {
    const QString call = QStringLiteral("FOR EACH STATEMENT EXECUTE FUNCTION %1()").arg(function);
    const QByteArray name = table.toLatin1();
    return {QStringLiteral("CREATE TRIGGER %1 AFTER INSERT ON %2 REFERENCING NEW TABLE AS new_rows %3")
                .arg(triggerName(name.constData(), "Insert"), table, call),
            QStringLiteral("CREATE TRIGGER %1 AFTER UPDATE ON %2 REFERENCING OLD TABLE AS old_rows NEW TABLE AS "
                           "new_rows %3")
                .arg(triggerName(name.constData(), "Update"), table, call),
            QStringLiteral("CREATE TRIGGER %1 AFTER DELETE ON %2 REFERENCING OLD TABLE AS old_rows %3")
                .arg(triggerName(name.constData(), "Delete"), table, call),
            QStringLiteral("CREATE TRIGGER %1 AFTER TRUNCATE ON %2 %3").arg(triggerName(name.constData(), "Truncate"), table, call)};
}

QStringList pgStatements(const Source& src) {
    return QStringList{pgMakeFunction(src)} + pgTriggers(QLatin1String(src.table), pgFunction(src));
}

QStringList pgWatchedStatements() {
    QStringList out;
    // Every column may change the number, date or tax flag (PostgreSQL allows no column list
    // with transition tables); marking an unchanged invoice again costs one row.
    out << (QStringLiteral("CREATE OR REPLACE FUNCTION InvoiceSums_Invoice() RETURNS trigger LANGUAGE plpgsql AS $body$\n"
                          "DECLARE touched integer[];\n"
                          "BEGIN\n"
                          "  IF TG_OP = 'TRUNCATE' THEN\n"
                          "    UPDATE InvoiceSums SET Total_Sums = NULL, Open_Sums = false, CustomerName_Sums = NULL,\n"
                          "      InvoiceDate_Sums = NULL, DueDate_Sums = NULL WHERE Total_Sums IS NOT NULL OR Open_Sums;\n"
                          "    RETURN NULL;\n"
                          "  END IF;\n") +
               pgTouched(QStringLiteral("InvoiceNo_Inv"), QStringLiteral("touched")) +
               QStringLiteral("  %1\n"
                              "  RETURN NULL;\n"
                              "END\n"
                              "$body$")
                   .arg(markOpen(Engine::PostgreSQL, QStringLiteral("InvoiceNo_Sums = ANY (touched)"))));
    out << pgTriggers(QStringLiteral("Invoice"), QStringLiteral("InvoiceSums_Invoice"));
    out << (QStringLiteral("CREATE OR REPLACE FUNCTION InvoiceSums_Tax() RETURNS trigger LANGUAGE plpgsql AS $body$\n"
                          "DECLARE touched integer[]; y integer;\n"
                          "BEGIN\n"
                          "  IF TG_OP = 'TRUNCATE' THEN\n"
                          "    %1\n"
                          "    RETURN NULL;\n"
                          "  END IF;\n")
                   .arg(markOpen(Engine::PostgreSQL, QStringLiteral("true"))) +
               pgTouched(QStringLiteral("Year_T"), QStringLiteral("touched")) +
               QStringLiteral("  FOREACH y IN ARRAY touched LOOP\n"
                              "    %1\n"
                              "  END LOOP;\n"
                              "  RETURN NULL;\n"
                              "END\n"
                              "$body$")
                   .arg(markOpen(Engine::PostgreSQL,
                                 QStringLiteral("InvoiceNo_Sums IN (SELECT InvoiceNo_Inv FROM Invoice WHERE "
                                                "InvoiceDate_Inv >= make_timestamp(y, 1, 1, 0, 0, 0) AND "
                                                "InvoiceDate_Inv < make_timestamp(y + 1, 1, 1, 0, 0, 0))"))));
    out << pgTriggers(QStringLiteral("Tax"), QStringLiteral("InvoiceSums_Tax"));
    return out;
}

// Every number's figures from the rows, in one statement; grouped, so each row is read once.
QString fillStatement(Engine engine) {
    QStringList numbers, joins, all, any;
    int n = 0;
    for (const Source& src : Sources) {
        const QString valid = engine == Engine::PostgreSQL
                                  ? QStringLiteral("%1 IS NOT NULL").arg(QLatin1String(src.number))
                                  : QStringLiteral("typeof(%1) = 'integer'").arg(QLatin1String(src.number));
        numbers << QStringLiteral("SELECT %1 AS Inv FROM %2 WHERE %3").arg(QLatin1String(src.number), QLatin1String(src.table), valid);
        const QString alias = QStringLiteral("F%1").arg(++n);
        QStringList named;
        for (const Figure& f : src.figures) {
            named << QString::fromLatin1(f.aggregate).arg(QString()) + QStringLiteral(" AS ") + QLatin1String(f.column);
            all << alias + u'.' + QLatin1String(f.column);
        }
        any << alias + u'.' + QLatin1String(src.figures.first().column) + QStringLiteral(" IS NOT NULL");
        joins << QStringLiteral("LEFT JOIN (SELECT %1 AS Inv, %2 FROM %3 WHERE %4 GROUP BY %1) %5 ON %5.Inv = N.Inv")
                     .arg(QLatin1String(src.number), named.join(QStringLiteral(", ")), QLatin1String(src.table), valid,
                          alias);
    }
    QStringList targets;
    for (const Source& src : Sources) targets << columns(src);
    // A number whose payments have no amount gets no row, as the triggers leave it.
    targets << HeaderColumns;
    all << headerValues(QStringLiteral("K"));
    return QStringLiteral("INSERT INTO InvoiceSums (InvoiceNo_Sums, %1, Total_Sums, Open_Sums) SELECT t.*, %7 FROM "
                          "(SELECT s.*, %6 AS Total_Sums FROM (SELECT N.Inv AS InvoiceNo_Sums, %2 FROM (%3) N LEFT JOIN "
                          "Invoice K ON K.InvoiceNo_Inv = N.Inv %4 WHERE %5) s) t")
        .arg(targets.join(QStringLiteral(", ")), all.join(QStringLiteral(", ")), numbers.join(QStringLiteral(" UNION ")),
             joins.join(u' '), any.join(QStringLiteral(" OR ")), totalExpression(engine, QStringLiteral("s")),
             openExpression(engine, QStringLiteral("t.Total_Sums"), QStringLiteral("t")));
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
    for (const Source& src : Sources) out << (engine == Engine::PostgreSQL ? pgStatements(src) : sqliteStatements(src));
    out << (engine == Engine::PostgreSQL ? pgWatchedStatements() : sqliteWatchedStatements());
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
    return {QStringLiteral("Figures of InvoiceSums filled from the part and labor lines and the payments, and kept "
                           "by triggers on InvItem, InvLabor, Receivable, Invoice and Tax")};
}

}  // namespace detail

// SQLite keeps dates as ISO text; cutting the year and month out costs a fraction of strftime.
// Whole numbers on PostgreSQL too: compared as numeric, Year_T's index would not serve.
QString yearOfSql(Engine engine, const QString& dateColumn) {
    return engine == Engine::PostgreSQL ? QStringLiteral("Cast(Extract(Year From %1) As Integer)").arg(dateColumn)
                                        : QStringLiteral("Cast(substr(%1, 1, 4) As Integer)").arg(dateColumn);
}

QString monthOfSql(Engine engine, const QString& dateColumn) {
    return engine == Engine::PostgreSQL ? QStringLiteral("Cast(Extract(Month From %1) As Integer)").arg(dateColumn)
                                        : QStringLiteral("Cast(substr(%1, 6, 2) As Integer)").arg(dateColumn);
}

QString coveringTaxRateSql(const QString& year, const QString& month) {
    return QStringLiteral("(Select T.Tax_T From Tax T where T.Year_T = %1 And T.A_T <= %2 And T.E_T >= %2"
                          " Order By T.Id_T Limit 1)")
        .arg(year, month);
}

void dropInvoiceSumsTriggers(QSqlDatabase& db) {
    const Engine engine = engineOf(db);
    QSqlQuery q(db);
    for (const auto& [name, table] : triggers(engine))
        run(q, engine == Engine::PostgreSQL ? QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2").arg(name, table)
                                            : QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(name));
    q.finish();
    // The database lacks part of this version's shape now: the next start must look.
    detail::writeVersion(db, 0);
}

}  // namespace kestrum::schema
