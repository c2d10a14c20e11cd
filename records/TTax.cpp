#include "TTax.h"

#include "ui_TTax.h"

#include "DataModule.h"
#include "Query.h"
#include "Schema.h"

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
    q->setStatement("Select * From Tax where Year_T =?\n"
                    "and A_T<=?\n"
                    "and E_T>=?\n"
                    "Order By Id_T",
                    {date.year(), date.month(), date.month()});
    q->Open();
    if (q->RecordCount() == 0)
        return std::nullopt;
    return q->FieldByName("Tax_T").AsCurrency();
}

QString taxRateExpression(const QString& dateColumn, QVariantList& values)
{
    Q_UNUSED(values);
    // findTaxRate's rule read in the statement: a Case with a branch per rate row made SQLite
    // spend longer preparing the statement than running it, and tried every branch on every row.
    const bool pg = schema::engineOf(DM->database()) == schema::Engine::PostgreSQL;
    // SQLite keeps dates as ISO text; cutting the year and month out costs a fraction of strftime.
    // Whole numbers on PostgreSQL too: compared as numeric, Year_T's index would not serve.
    const QString year = pg ? QStringLiteral("Cast(Extract(Year From %1) As Integer)").arg(dateColumn)
                            : QStringLiteral("Cast(substr(%1, 1, 4) As Integer)").arg(dateColumn);
    const QString month = pg ? QStringLiteral("Cast(Extract(Month From %1) As Integer)").arg(dateColumn)
                             : QStringLiteral("Cast(substr(%1, 6, 2) As Integer)").arg(dateColumn);
    return QStringLiteral("Coalesce((Select T.Tax_T From Tax T where T.Year_T = %1 And T.A_T <= %2 And T.E_T >= %2"
                          " Order By T.Id_T Limit 1), 0)")
        .arg(year, month);
}

}  // namespace kestrum::records
