#include "BackupSettingsDialog.h"

#include "BackupError.h"
#include "BackupFiles.h"
#include "Dialogs.h"
#include "PartialFile.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

using namespace kestrum::backup;

TBackupSettings::TBackupSettings(QWidget* parent)
    : QDialog(parent), folder_(new QLineEdit), automatic_(new QCheckBox(QStringLiteral("&Back up automatically"))),
      daily_(new QSpinBox), monthly_(new QSpinBox) {
    setWindowTitle(QStringLiteral("Backup Settings"));
    setObjectName(QStringLiteral("BackupSettings"));
    folder_->setObjectName(QStringLiteral("Folder"));
    automatic_->setObjectName(QStringLiteral("Automatic"));
    daily_->setObjectName(QStringLiteral("Daily"));
    monthly_->setObjectName(QStringLiteral("Monthly"));
    daily_->setRange(1, 366);
    monthly_->setRange(0, 240);
    automatic_->setToolTip(QStringLiteral("When Kestrum closes, and when it starts if the last copy is older than a day"));

    auto* browse = new QPushButton(QStringLiteral("B&rowse…"));
    browse->setObjectName(QStringLiteral("Browse"));
    browse->setAccessibleName(QStringLiteral("Browse for the backup folder"));
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(folder_, 1);
    folderRow->addWidget(browse);

    auto* form = new QFormLayout;
    auto* folderLabel = new QLabel(QStringLiteral("&Folder:"));
    folderLabel->setBuddy(folder_);
    form->addRow(folderLabel, folderRow);
    form->addRow(QString(), automatic_);
    form->addRow(QStringLiteral("&Daily copies kept:"), daily_);
    form->addRow(QStringLiteral("&Monthly copies kept:"), monthly_);
    folder_->setAccessibleName(QStringLiteral("Folder"));
    daily_->setAccessibleName(QStringLiteral("Daily copies kept"));
    monthly_->setAccessibleName(QStringLiteral("Monthly copies kept"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TBackupSettings::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TBackupSettings::reject);
    connect(browse, &QPushButton::clicked, this, &TBackupSettings::BrowseClick);

    const BackupSettings s = loadSettings();
    folder_->setText(QDir::toNativeSeparators(s.folder));
    automatic_->setChecked(s.automatic);
    daily_->setValue(s.keepDaily);
    monthly_->setValue(s.keepMonthly);
}

void TBackupSettings::BrowseClick() {
    const QString dir = QFileDialog::getExistingDirectory(this, QStringLiteral("Backup Folder"), folder_->text());
    if (!dir.isEmpty()) folder_->setText(QDir::toNativeSeparators(dir));
}

void TBackupSettings::accept() {
    BackupSettings s;
    s.folder = QDir::fromNativeSeparators(folder_->text().trimmed());
    if (s.folder.isEmpty() || QDir::isRelativePath(s.folder)) {
        kestrum::ui::showError(QStringLiteral("Give the backup folder as a full path (for example %1); nothing was saved.")
                                   .arg(QDir::toNativeSeparators(defaultFolder())));
        return;
    }
    try {
        makeFolder(s.folder, false);
        PartialFile probe(QDir(s.folder).filePath(QStringLiteral("probe")));  // can we write there?
    } catch (const BackupError& e) {
        kestrum::ui::showError(e.text() + QStringLiteral("\n\nNothing was saved."));
        return;
    }
    s.automatic = automatic_->isChecked();
    s.keepDaily = daily_->value();
    s.keepMonthly = monthly_->value();
    saveSettings(s);
    QDialog::accept();
}
