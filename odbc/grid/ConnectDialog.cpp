#include <vantrel/grid/ConnectDialog.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QThread>
#include <QVBoxLayout>

#include <utility>
#include <vector>

namespace vantrel {

namespace {

using Pair = std::pair<String, String>;

// "key=value;key={va;lue}" as pairs, braces removed ("}}" inside braces is one "}").
std::vector<Pair> parseConnectStr(const String& s) {
    std::vector<Pair> out;
    size_t i = 0;
    while (i < s.size()) {
        const size_t eq = s.find('=', i);
        if (eq == String::npos) break;
        String key = Trim(s.substr(i, eq - i));
        String value;
        i = eq + 1;
        if (i < s.size() && s[i] == '{') {
            for (++i; i < s.size(); ++i) {
                if (s[i] == '}') {
                    if (i + 1 < s.size() && s[i + 1] == '}') {
                        value += '}';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += s[i];
            }
            while (i < s.size() && s[i] != ';') ++i;
        } else {
            const size_t end = s.find(';', i);
            value = s.substr(i, end == String::npos ? String::npos : end - i);
            i = end == String::npos ? s.size() : end;
        }
        ++i;
        if (!key.empty()) out.emplace_back(key, value);
    }
    return out;
}

// A value that holds a separator, a brace or outer blanks goes in braces.
String connectValue(const String& v) {
    const bool plain = v.find_first_of(";{}=") == String::npos && Trim(v) == v;
    if (plain) return v;
    String out = "{";
    for (char ch : v) {
        out += ch;
        if (ch == '}') out += '}';
    }
    return out + "}";
}

String valueOf(const std::vector<Pair>& pairs, const String& key) {
    for (const Pair& p : pairs)
        if (SameText(p.first, key)) return p.second;
    return {};
}

}  // namespace

TConnectDialog::TConnectDialog(const String& connectStr, const String& message, QWidget* parent)
    : QDialog(parent), given_(connectStr) {
    setObjectName("ConnectDialog");
    setWindowTitle(tr("Connect to a data source"));
    const std::vector<Pair> pairs = parseConnectStr(connectStr);

    auto* layout = new QVBoxLayout(this);
    if (!message.empty()) {
        auto* why = new QLabel(QString::fromStdString(message), this);
        why->setObjectName("message");
        why->setWordWrap(true);
        why->setAccessibleName(tr("Why the connection failed"));
        layout->addWidget(why);
    }
    auto* form = new QFormLayout;
    source_ = new QComboBox(this);
    source_->setObjectName("dataSource");
    source_->addItem(tr("(as given)"));
    TStringList names;
    try {
        ODBCSession->GetDSNNames(&names, nullptr);
    } catch (const std::exception&) {
        // No list of data sources: the given string can still be completed.
    }
    const String dsn = valueOf(pairs, "DSN");
    for (int i = 0; i < names.Count(); ++i) {
        source_->addItem(QString::fromStdString(names[i]));
        if (!dsn.empty() && SameText(names[i], dsn)) source_->setCurrentIndex(source_->count() - 1);
    }
    user_ = new QLineEdit(QString::fromStdString(valueOf(pairs, "UID")), this);
    user_->setObjectName("user");
    password_ = new QLineEdit(QString::fromStdString(valueOf(pairs, "PWD")), this);
    password_->setObjectName("password");
    password_->setEchoMode(QLineEdit::Password);
    // addRow with a text makes each label the buddy of its control (its accessible name).
    form->addRow(tr("&Data source:"), source_);
    form->addRow(tr("&User:"), user_);
    form->addRow(tr("&Password:"), password_);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName("buttons");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

String TConnectDialog::ConnectStr() const {
    std::vector<Pair> pairs;
    if (source_->currentIndex() > 0) {
        // The data source holds the rest of the settings.
        pairs.emplace_back("DSN", source_->currentText().toStdString());
    } else {
        for (const Pair& p : parseConnectStr(given_))
            if (!SameText(p.first, "UID") && !SameText(p.first, "PWD")) pairs.push_back(p);
    }
    pairs.emplace_back("UID", user_->text().toStdString());
    pairs.emplace_back("PWD", password_->text().toStdString());
    String out;
    for (const Pair& p : pairs) {
        // A driver name keeps its braces, as drivers are named in odbcinst.ini.
        const bool braced = SameText(p.first, "DRIVER");
        out += p.first + "=" + (braced ? "{" + p.second + "}" : connectValue(p.second)) + ";";
    }
    return out;
}

TConnectPromptResult QtConnectPrompt(TConnectPromptRequest& request) {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread()) return cprNotShown;
    TConnectDialog dialog(request.ConnectStr, request.Message, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted) return cprCancelled;
    request.ConnectStr = dialog.ConnectStr();
    return cprAccepted;
}

void InstallQtConnectPrompt() { SetConnectPrompt(QtConnectPrompt); }

namespace {
// Installed when the library is loaded, so every program with the grid prompts through Qt.
[[maybe_unused]] const bool promptInstalled = (InstallQtConnectPrompt(), true);
}  // namespace

}  // namespace vantrel
