#include "TTax.h"

#include "ui_TTax.h"

#include "DataModule.h"
#include "Query.h"

using namespace kestrum;
using namespace kestrum::records;

QPointer<TTax> Tax;

namespace {

RecordSpec taxSpec()
{
    RecordSpec s;
    s.table = "Tax";
    s.keyColumn = "Id_T";
    s.listSql = "Select Id_T, Year_T, A_T, E_T,Tax_T  From Tax";
    s.savedListSql = "Select Id_T, Year_T,A_T, E_T,Tax_T From Tax";
    s.fields = {
        {"Edit2", "Year_T", FieldKind::Integer},
        {"Edit3", "A_T", FieldKind::Integer},
        {"Edit4", "E_T", FieldKind::Integer},
        {"Edit5", "Tax_T", FieldKind::Number},
    };
    s.editKeys = false;
    s.gridKeyHandlers = false;  // only a click copies a row here
    s.focusAfterNew = "Edit2";
    s.afterSave = AfterSave::LocateKeepControls;
    s.refreshAction = RefreshAction::LocateKey;
    s.cancelAction = CancelAction::Nothing;
    s.titles = {{"No", 100}, {"Year", 200}, {"Starting Month", 200}, {"Ending Month", 100}, {"Tax", 100}};
    return s;  // no sortable titles and no search column: its search box has never searched
}

}  // namespace

TTax::TTax(QWidget* parent)
    : RecordWindow(taxSpec(), parent),
      list_(new Query(DM->database(), "QTax1", this)),
      probe_(new Query(DM->database(), "QTax2", this)),
      ui(std::make_unique<Ui::TTax>())
{
    ui->setupUi(this);
    setupRecordWindow();
    Tax = this;
}

TTax::~TTax() = default;

namespace kestrum::records {

Decimal taxRate(const QDate& date)
{
    return findTaxRate(date).value_or(Decimal{});
}

std::optional<Decimal> findTaxRate(const QDate& date)
{
    Query* q = DM->QTax;
    q->Close();
    q->Clear();
    q->Add("Select * From Tax where Year_T =?");
    q->Add("and A_T<=?");
    q->Add("and E_T>=?");
    q->Add("Order By Id_T");
    q->Bind(date.year());
    q->Bind(date.month());
    q->Bind(date.month());
    q->Open();
    if (q->RecordCount() == 0)
        return std::nullopt;
    return q->FieldByName("Tax_T").AsCurrency();
}

QString taxRateExpression(const QString& dateColumn, QVariantList& values)
{
    // Its own query: the rows are read once per statement built, whatever the pool shows.
    Query q(DM->database(), QStringLiteral("QTaxRates"));
    q.Add("Select Year_T, A_T, E_T, Tax_T From Tax Order By Id_T");
    q.Open();
    QString sql = QStringLiteral("Case");
    for (q.First(); !q.Eof(); q.Next()) {
        // A row without year or months never matches the invoice window's look-up (Null
        // compares false there), so it must not match here either.
        if (q.FieldByName("Year_T").IsNull() || q.FieldByName("A_T").IsNull() || q.FieldByName("E_T").IsNull())
            continue;
        const qint64 year = q.FieldByName("Year_T").AsInteger();
        const qint64 from = std::max<qint64>(q.FieldByName("A_T").AsInteger(), 1);
        const qint64 to = std::min<qint64>(q.FieldByName("E_T").AsInteger(), 12);
        if (from > to || year < 1 || year > 9999)
            continue;  // covers no month
        const QDate first(int(year), int(from), 1);
        const QDate after = QDate(int(year), int(to), 1).addMonths(1);
        sql += " When " + dateColumn + " >= ? And " + dateColumn + " < ? Then Cast(? As Numeric)";
        values << first << after << q.FieldByName("Tax_T").AsCurrency().toString();
    }
    return sql == QLatin1String("Case") ? QStringLiteral("0") : sql + QStringLiteral(" Else 0 End");
}

}  // namespace kestrum::records
