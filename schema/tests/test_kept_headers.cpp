// The header's customer, date and due date kept beside each invoice's figures in InvoiceSums:
// brought forward from the shape before them, and kept true by every write that moves them.
#include "SchemaFixture.h"

namespace {

using schematest::SchemaTest;
using testsupport::Engine;

class KeptHeaders : public SchemaTest {
protected:
    QString yes() const { return GetParam() == Engine::SQLite ? "1" : "true"; }
    // number: customer / date / due date / total / open ("-": none)
    std::string kept() {
        QSqlQuery s(db_);
        EXPECT_TRUE(s.exec("SELECT InvoiceNo_Sums, CustomerName_Sums, InvoiceDate_Sums, DueDate_Sums, "
                           "Round(Coalesce(Total_Sums, -1), 6), Open_Sums FROM InvoiceSums ORDER BY 1"))
            << s.lastError().text().toStdString();
        const auto text = [](const QVariant& v, int width) {
            return v.isNull() ? QStringLiteral("-") : v.toString().left(width);
        };
        QStringList rows;
        while (s.next())
            rows << QStringLiteral("%1: %2 / %3 / %4 / %5 / %6")
                        .arg(s.value(0).toString(), text(s.value(1), 100), text(s.value(2), 10), text(s.value(3), 10))
                        .arg(s.value(4).toDouble())
                        .arg(s.value(5).toBool() ? "open" : "settled");
        return rows.join("; ").toStdString();
    }
    bool hasIndex(const QString& name) {
        // PostgreSQL cuts names at 63 bytes.
        const QStringList have = schema::existingIndexes(db_, schema::InvoiceSumsTable);
        return have.contains(name.toLower()) || have.contains(name.toLower().left(63));
    }
};

// The shape before the header was kept (frozen as 2026-12-10b, with its stored version): the
// check names the new columns, the upgrade makes the table again with its new indexes only,
// makes the triggers again and fills every figure, old and new, from the rows.
TEST_P(KeptHeaders, UpgradeFromTheShapeBeforeMakesInvoiceSumsAgainAndFillsTheHeaderColumns) {
    testsupport::createPreviousShape(*tdb_, "2026-12-10b");
    exec("INSERT INTO Tax (Id_T, Year_T, A_T, E_T, Tax_T) VALUES (1, 2025, 1, 12, 0.1)");
    exec("INSERT INTO Invoice (InvoiceNo_Inv, CustomerName_Inv, InvoiceDate_Inv, DueDate_Inv, Tax_Inv) VALUES "
         "(7, 'Ann', '2025-02-01', '2025-03-03', " + yes() + "), (8, 'Bob', '2025-02-02', NULL, " + yes() + ")");
    exec("INSERT INTO InvItem (Inv_Item, Amount_Item) VALUES (7, 100), (8, 10), (9, 5)");
    exec("INSERT INTO Receivable (InvoiceNo_Receivable, Amount_Receivable, PayDate_Receivable) VALUES "
         "(7, 110, '2025-03-01'), (8, 4, '2025-03-02')");
    EXPECT_EQ(schema::storedVersion(db_), 0x48fddc0fu);

    const QStringList missing = schema::checkDatabase(db_);
    for (const char* column : {"CustomerName_Sums", "InvoiceDate_Sums", "DueDate_Sums"})
        EXPECT_TRUE(missing.contains(QStringLiteral("Column InvoiceSums.%1 is missing").arg(column)))
            << column << ": " << missing.join("; ").toStdString();
    EXPECT_TRUE(hasIndex("IX_InvoiceSums_Open_Sums"));
    const QStringList done = schema::upgradeDatabase(db_);
    EXPECT_EQ(done.filter("Table InvoiceSums made again").size(), 1) << done.join("; ").toStdString();
    EXPECT_TRUE(schema::checkDatabase(db_).isEmpty()) << schema::checkDatabase(db_).join("; ").toStdString();
    EXPECT_EQ(schema::storedVersion(db_), schema::schemaVersion());
    // The older shape's index on the open mark alone went with the table; the covering one came.
    EXPECT_FALSE(hasIndex("IX_InvoiceSums_Open_Sums"));
    EXPECT_TRUE(hasIndex("IX_InvoiceSums_Open_Sums_CustomerName_Sums_DueDate_Sums_InvoiceDate_Sums_Total_Sums_Paid_Sums_"
                         "LastPay_Sums"));
    // 8 has no due date: its date stands in; 9 has lines but no header.
    EXPECT_EQ(kept(), "7: Ann / 2025-02-01 / 2025-03-03 / 110 / settled; 8: Bob / 2025-02-02 / 2025-02-02 / 11 / open; "
                      "9: - / - / - / -1 / settled");
    EXPECT_TRUE(schema::upgradeDatabase(db_).isEmpty());  // a second run has nothing to do

    // The remade triggers keep the new columns.
    exec("INSERT INTO Invoice (InvoiceNo_Inv, CustomerName_Inv, InvoiceDate_Inv, Tax_Inv) VALUES "
         "(9, 'Cy', '2025-04-01', " + yes() + ")");
    EXPECT_EQ(kept(), "7: Ann / 2025-02-01 / 2025-03-03 / 110 / settled; 8: Bob / 2025-02-02 / 2025-02-02 / 11 / open; "
                      "9: Cy / 2025-04-01 / 2025-04-01 / 5.5 / open");
}

// Every write that moves a header's customer, date or due date, or makes or ends the kept row.
TEST_P(KeptHeaders, CustomerAndDatesFollowHeaderLinePaymentAndRateWrites) {
    schema::createDatabase(db_);
    const bool sqlite = GetParam() == Engine::SQLite;
    exec("INSERT INTO Tax (Id_T, Year_T, A_T, E_T, Tax_T) VALUES (1, 2024, 1, 12, 0.1)");
    exec("INSERT INTO Invoice (InvoiceNo_Inv, CustomerName_Inv, InvoiceDate_Inv, DueDate_Inv, Tax_Inv) VALUES "
         "(1, 'Ann', '2024-03-10', '2024-04-09', " + yes() + "), (2, 'Bob', '2024-05-05', NULL, " + yes() + ")");
    EXPECT_EQ(kept(), "");  // no figures yet: no rows
    exec("INSERT INTO InvItem (Inv_Item, Amount_Item) VALUES (1, 100), (2, 20)");
    exec("INSERT INTO InvLabor (Inv_Labor, Amount_Labor) VALUES (2, 30)");
    // A payment whose invoice has no header yet.
    exec("INSERT INTO Receivable (InvoiceNo_Receivable, Amount_Receivable, PayDate_Receivable) VALUES (3, 15, '2024-06-01')");
    EXPECT_EQ(kept(), "1: Ann / 2024-03-10 / 2024-04-09 / 110 / open; 2: Bob / 2024-05-05 / 2024-05-05 / 52 / open; "
                      "3: - / - / - / -1 / settled");

    exec("INSERT INTO Invoice (InvoiceNo_Inv, CustomerName_Inv, InvoiceDate_Inv, DueDate_Inv, Tax_Inv) VALUES "
         "(3, 'Cy', '2024-05-20', '2024-06-19', " + yes() + ")");
    exec("UPDATE Invoice SET CustomerName_Inv = 'Ann Lee' WHERE InvoiceNo_Inv = 1");
    exec("UPDATE Invoice SET DueDate_Inv = '2024-05-01' WHERE InvoiceNo_Inv = 1");
    // Without a due date the invoice date stands in, and follows it.
    exec("UPDATE Invoice SET InvoiceDate_Inv = '2024-05-07' WHERE InvoiceNo_Inv = 2");
    EXPECT_EQ(kept(), "1: Ann Lee / 2024-03-10 / 2024-05-01 / 110 / open; 2: Bob / 2024-05-07 / 2024-05-07 / 52 / open; "
                      "3: Cy / 2024-05-20 / 2024-06-19 / 0 / open");
    exec("UPDATE Invoice SET DueDate_Inv = NULL WHERE InvoiceNo_Inv = 1");
    exec("UPDATE Invoice SET DueDate_Inv = '2024-06-30' WHERE InvoiceNo_Inv = 2");
    // A rate edit works totals out again and leaves the header's columns as they are.
    exec("UPDATE Tax SET Tax_T = 0.2 WHERE Id_T = 1");
    exec("UPDATE Receivable SET Amount_Receivable = 0 WHERE InvoiceNo_Receivable = 3");
    EXPECT_EQ(kept(), "1: Ann Lee / 2024-03-10 / 2024-03-10 / 120 / open; 2: Bob / 2024-05-07 / 2024-06-30 / 54 / open; "
                      "3: Cy / 2024-05-20 / 2024-06-19 / 0 / settled");

    // A header renumbered leaves its old number's lines without a header; the new number has no
    // figures of its own, so no row.
    exec("UPDATE Invoice SET InvoiceNo_Inv = 6 WHERE InvoiceNo_Inv = 2");
    exec("DELETE FROM Invoice WHERE InvoiceNo_Inv = 1");
    EXPECT_EQ(kept(), "1: - / - / - / -1 / settled; 2: - / - / - / -1 / settled; "
                      "3: Cy / 2024-05-20 / 2024-06-19 / 0 / settled");
    exec("UPDATE InvItem SET Inv_Item = 6 WHERE Inv_Item = 2");
    exec("UPDATE InvLabor SET Inv_Labor = 6 WHERE Inv_Labor = 2");
    exec("DELETE FROM Receivable");
    exec("DELETE FROM InvItem WHERE Inv_Item = 1");
    EXPECT_EQ(kept(), "6: Bob / 2024-05-07 / 2024-06-30 / 54 / open");
    if (!sqlite) {
        // Emptied at once, the lines leave the total and the mark true too.
        exec("INSERT INTO InvItem (Inv_Item, Amount_Item) VALUES (6, 5)");
        exec("TRUNCATE InvItem");
        EXPECT_EQ(kept(), "6: Bob / 2024-05-07 / 2024-06-30 / 30 / open");
        exec("TRUNCATE Invoice");
        EXPECT_EQ(kept(), "6: - / - / - / -1 / settled");
    }
}

INSTANTIATE_TEST_SUITE_P(Engines, KeptHeaders, TESTSUPPORT_ENGINES);

}  // namespace
