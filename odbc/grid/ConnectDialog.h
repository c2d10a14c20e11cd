#pragma once
// The Qt connect prompt: a dialog asking for a data source (ODBCSession's list), a user and a
// password when a TODBCDatabase's DriverConnectOption asks for a prompt. Loading this library
// installs it as the connect prompt; it shows only on the thread of a running QApplication and
// otherwise lets the database connect without prompting.
#include <vantrel/core/ODBCDatabase.h>

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;

namespace vantrel {

/// \brief Asks for a data source, user and password. The first data source entry keeps what the
/// given connection string names; another one connects to that data source with the user and
/// password alone.
class TConnectDialog : public QDialog {
    Q_OBJECT
public:
    /// Lists ODBCSession's data sources and fills user and password from `connectStr`;
    /// `message` (the driver's error of a failed try) is shown above them.
    explicit TConnectDialog(const String& connectStr, const String& message = {}, QWidget* parent = nullptr);

    /// \brief The connection string the choices make.
    String ConnectStr() const;

private:
    String given_;
    QComboBox* source_;
    QLineEdit* user_;
    QLineEdit* password_;
};

/// \brief The prompt this library installs: TConnectDialog, modal, on the running QApplication's
/// thread; cprNotShown anywhere else (no QApplication, another thread).
TConnectPromptResult QtConnectPrompt(TConnectPromptRequest& request);

/// \brief SetConnectPrompt(QtConnectPrompt); done when the library is loaded, and again by a
/// program that installed another prompt in between.
void InstallQtConnectPrompt();

}  // namespace vantrel
