#include <vantrel/design/EntitySP.h>

#include "ui_EntitySP.h"

#include <vantrel/core/ODBCApi.h>
#include <vantrel/core/ODBCDatabase.h>
#include <vantrel/entity/ODBCEntity.h>
#include <vantrel/ext/ODBCTools.h>

#include <QCompleter>
#include <QStringListModel>

#include <algorithm>

namespace vantrel {

const ResourceString SEntitySPPropertyName{65410, "SEntitySPPropertyName", "Strored Procedures"};
const ResourceString SEntitySPInvalidName{65411, "SEntitySPInvalidName", "%s \"%s\" is not a procedure name"};

namespace {

QString q(const String& s) {
    return QString::fromStdString(s);
}
String s(const QString& t) {
    return t.toStdString();
}

bool plainStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool plainPart(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$';
}

} // namespace

bool IsProcedureName(const String& name) {
    if (name.empty())
        return true;
    size_t i = 0;
    for (;;) {
        if (i >= name.size() || !plainStart(name[i]))
            return false;
        while (i < name.size() && plainPart(name[i]))
            ++i;
        if (i == name.size())
            return true;
        if (name[i] != '.')
            return false;
        ++i;
    }
}

std::vector<String> GetProcedureNames(TODBCDatabase* database) {
    std::vector<String> names;
    if (!database || !database->Connected())
        return names;
    auto dbc = static_cast<SQLHDBC>(database->GetDBC());
    ODBCStatementHandle stmt;
    stmt.allocate(odbcEnv(), dbc);
    VANTREL_ODBC(odbcEnv(), dbc, stmt.get(), SQLProcedures(stmt.get(), nullptr, 0, nullptr, 0, nullptr, 0));
    SQLCHAR buffer[256];
    SQLLEN indicator = 0;
    // Column 3 is PROCEDURE_NAME.
    VANTREL_ODBC(odbcEnv(), dbc, stmt.get(),
                 SQLBindCol(stmt.get(), 3, SQL_C_CHAR, buffer, sizeof buffer, &indicator));
    while (VANTREL_ODBC(odbcEnv(), dbc, stmt.get(), SQLFetch(stmt.get())) != SQL_NO_DATA) {
        // A name cut short by the buffer would be offered as another procedure's.
        if (indicator == SQL_NULL_DATA || indicator >= static_cast<SQLLEN>(sizeof buffer))
            continue;
        String name(reinterpret_cast<const char*>(buffer));
        // NOTE: some drivers report a procedure as "name;1" (its version number).
        if (size_t semicolon = name.find(';'); semicolon != String::npos)
            name.erase(semicolon);
        if (!name.empty())
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

TfrmSPEntity::TfrmSPEntity(const TProcedureNames& names, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TfrmSPEntity>()) {
    ui->setupUi(this);
    FEdits = {ui->SelectProc, ui->InsertProc,      ui->UpdateProc, ui->DeleteProc,
              ui->LockProc,   ui->CascadeLockProc, ui->CloseProc};
    for (size_t i = 0; i < FEdits.size(); ++i)
        FEdits[i]->setText(q(names[i]));
    for (QLineEdit* edit : FEdits)
        connect(edit, &QLineEdit::textEdited, ui->MessageLabel, &QLabel::clear);
    connect(ui->ButtonBox, &QDialogButtonBox::accepted, this, &TfrmSPEntity::accept);
    connect(ui->ButtonBox, &QDialogButtonBox::rejected, this, &TfrmSPEntity::reject);
}

TfrmSPEntity::~TfrmSPEntity() = default;

TProcedureNames TfrmSPEntity::Names() const {
    TProcedureNames names;
    for (size_t i = 0; i < FEdits.size(); ++i)
        names[i] = s(FEdits[i]->text().trimmed());
    return names;
}

void TfrmSPEntity::SetKnownProcedures(const std::vector<String>& names) {
    QStringList list;
    for (const String& name : names)
        list << q(name);
    auto* completer = new QCompleter(new QStringListModel(list, this), this);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    for (QLineEdit* edit : FEdits)
        edit->setCompleter(completer);
}

void TfrmSPEntity::ShowMessage(const QString& text) {
    ui->MessageLabel->setText(text);
}

bool TfrmSPEntity::Validate() {
    TProcedureNames names = Names();
    for (size_t i = 0; i < FEdits.size(); ++i) {
        if (IsProcedureName(names[i]))
            continue;
        auto* label = qobject_cast<QLabel*>(ui->ProcLayout->labelForField(FEdits[i]));
        String caption = label ? s(label->text()) : String();
        ui->MessageLabel->setText(q(Format(LoadResString(SEntitySPInvalidName), caption, names[i])));
        FEdits[i]->setFocus();
        FEdits[i]->selectAll();
        return false;
    }
    ui->MessageLabel->clear();
    return true;
}

void TfrmSPEntity::accept() {
    if (!Validate())
        return;
    QDialog::accept();
}

bool EditEntitySP(TUserEntity* entity, QWidget* parent) {
    if (!entity)
        return false;
    TProcedureNames names;
    for (int i = 0; i < 7; ++i)
        names[i] = entity->GetSP(static_cast<TExecType>(i));
    TfrmSPEntity dialog(names, parent);
    if (DataBase && DataBase->Connected()) {
        try {
            dialog.SetKnownProcedures(GetProcedureNames(DataBase));
        } catch (const std::exception& e) {
            // Completion is a convenience: say why it is missing and let the names be typed.
            dialog.ShowMessage(QString::fromUtf8(e.what()));
        }
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;
    names = dialog.Names();
    for (int i = 0; i < 7; ++i)
        entity->SetSP(static_cast<TExecType>(i), names[i]);
    return true;
}

String TEntitySPProperty::GetValue() const {
    return Format("(%s)", LoadResString(SEntitySPPropertyName));
}

bool TEntitySPProperty::Edit(QWidget* parent) {
    return EditEntitySP(dynamic_cast<TUserEntity*>(Component()), parent);
}

} // namespace vantrel
