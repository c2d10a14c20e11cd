#include <vantrel/design/QueryParams.h>

#include "ui_QueryParams.h"

#include <vantrel/core/ODBCDataSet.h>

#include <QLineEdit>
#include <QStandardItemModel>

namespace vantrel {

const ResourceString SODBCParamTypeNames{65400, "SODBCParamTypeNames",
                                         ";String;SmallInt;Integer;Word;Boolean;Float;Currency;BCD;Date;Time;DateTime;;;;;;"};
const ResourceString SODBCInvalidParamType{65401, "SODBCInvalidParamType", "Invalid param FieldType"};

namespace {
QString q(const String& s) { return QString::fromStdString(s); }
String s(const QString& t) { return t.toStdString(); }
} // namespace

TQueryParams::TQueryParams(const TODBCParams& params, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TQueryParams>()) {
    ui->setupUi(this);
    FParams.Assign(const_cast<TODBCParams*>(&params));

    // One entry per field type from ftUnknown on. Types without a name cannot be chosen: the
    // stored form could not hold their values; a parameter that already has one still shows it.
    String names = LoadResString(SODBCParamTypeNames);
    int ordinal = 0;
    size_t start = 0;
    for (;;) {
        size_t end = names.find(';', start);
        String name = names.substr(start, end == String::npos ? String::npos : end - start);
        ui->TypeList->addItem(q(name), ordinal);
        if (name.empty() && ordinal != ftUnknown)
            if (auto* model = qobject_cast<QStandardItemModel*>(ui->TypeList->model()))
                model->item(ordinal)->setEnabled(false);
        ++ordinal;
        if (end == String::npos)
            break;
        start = end + 1;
    }

    for (int i = 0; i < FParams.Count(); ++i)
        ui->ParamList->addItem(q(FParams.Items(i)->Name()));

    connect(ui->ParamList, &QListWidget::currentRowChanged, this, [this](int row) {
        ShowParam(row);
    });
    connect(ui->ParamValue, &QLineEdit::editingFinished, this, [this] { StoreValue(); });
    connect(ui->TypeList, qOverload<int>(&QComboBox::activated), this, &TQueryParams::TypeChosen);
    connect(ui->NullValue, &QCheckBox::toggled, this, &TQueryParams::NullToggled);
    connect(ui->ButtonBox, &QDialogButtonBox::accepted, this, &TQueryParams::accept);
    connect(ui->ButtonBox, &QDialogButtonBox::rejected, this, &TQueryParams::reject);

    if (FParams.Count() > 0)
        ui->ParamList->setCurrentRow(0);
    else
        ShowParam(-1);
}

TQueryParams::~TQueryParams() = default;

TODBCParam* TQueryParams::Current() const {
    int row = ui->ParamList->currentRow();
    return row >= 0 && row < FParams.Count() ? FParams.Items(row) : nullptr;
}

void TQueryParams::ShowParam(int row) {
    FShowing = true;
    TODBCParam* p = row >= 0 && row < FParams.Count() ? FParams.Items(row) : nullptr;
    ui->ParamValue->setEnabled(p != nullptr);
    ui->TypeList->setEnabled(p != nullptr);
    ui->NullValue->setEnabled(p != nullptr);
    ui->MessageLabel->clear();
    if (p) {
        ui->TypeList->setCurrentIndex(static_cast<int>(p->DataType()) < ui->TypeList->count() ? p->DataType() : 0);
        ui->NullValue->setChecked(p->IsNull());
        ui->ParamValue->setText(p->Bound() && !p->IsNull() ? q(p->GetAsString()) : QString());
    } else {
        ui->TypeList->setCurrentIndex(-1);
        ui->NullValue->setChecked(false);
        ui->ParamValue->clear();
    }
    FShowing = false;
}

bool TQueryParams::StoreValue() {
    TODBCParam* p = Current();
    if (!p || FShowing)
        return true;
    QString text = ui->ParamValue->text();
    if (text.isEmpty() && (p->IsNull() || !p->Bound()))
        return true; // nothing typed: the parameter keeps its state
    // Converted on a copy so that a value that does not convert leaves the parameter as it was.
    TODBCParam trial;
    trial.AssignParam(p);
    try {
        trial.SetText(s(text));
    } catch (const std::exception&) {
        ui->MessageLabel->setText(q(LoadResString(SODBCInvalidParamType)));
        ui->ParamValue->setFocus();
        ui->ParamValue->selectAll();
        return false;
    }
    p->AssignParam(&trial);
    ui->MessageLabel->clear();
    FShowing = true;
    ui->NullValue->setChecked(false);
    FShowing = false;
    return true;
}

void TQueryParams::TypeChosen(int index) {
    TODBCParam* p = Current();
    if (!p || index < 0)
        return;
    bool wasNull = p->IsNull();
    p->SetDataType(static_cast<TFieldType>(index));
    if (wasNull)
        p->Clear();
    else if (!ui->ParamValue->text().isEmpty())
        StoreValue();
}

void TQueryParams::NullToggled(bool null) {
    TODBCParam* p = Current();
    if (!p || FShowing)
        return;
    if (null) {
        p->Clear();
        p->SetBound(true);
        FShowing = true;
        ui->ParamValue->clear();
        FShowing = false;
        ui->MessageLabel->clear();
    }
}

void TQueryParams::accept() {
    if (!StoreValue())
        return;
    QDialog::accept();
}

bool EditQueryParams(TDataSet* dataset, TODBCParams* params, QWidget* parent) {
    if (!params)
        return false;
    TQueryParams dialog(*params, parent);
    String owner = dataset && dataset->Owner() ? dataset->Owner()->Name() : String();
    String name = dataset ? dataset->Name() : String();
    dialog.setWindowTitle(q(Format("Param Editor %s.%s", owner, name)));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    params->Assign(&dialog.Params());
    return true;
}

String TODBCParamsProperty::GetValue() const {
    TPersistent* value = Prop().GetObject ? Prop().GetObject(Component()) : nullptr;
    return Format("(%s)", value ? value->ClassName() : String("TODBCParams"));
}

bool TODBCParamsProperty::Edit(QWidget* parent) {
    auto* params = dynamic_cast<TODBCParams*>(Prop().GetObject(Component()));
    return EditQueryParams(dynamic_cast<TDataSet*>(Component()), params, parent);
}

} // namespace vantrel
