#pragma once
// "Backup Settings": where automatic backups go, whether they are taken, and how many are kept.
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QSpinBox;

class TBackupSettings : public QDialog {
    Q_OBJECT
public:
    /// Shows the stored settings; OK stores them (after the folder proved usable).
    explicit TBackupSettings(QWidget* parent = nullptr);

    QLineEdit* Folder() const { return folder_; }
    QCheckBox* Automatic() const { return automatic_; }
    QSpinBox* Daily() const { return daily_; }
    QSpinBox* Monthly() const { return monthly_; }

    void accept() override;

private:
    void BrowseClick();

    QLineEdit* folder_;
    QCheckBox* automatic_;
    QSpinBox* daily_;
    QSpinBox* monthly_;
};
