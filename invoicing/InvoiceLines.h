#pragma once
// The part-line and labor-line editors and their finders, over any invoice-like document: the
// invoice classes here, the estimate classes the same windows over the estimate's tables.
#include "Document.h"
#include "LineEditor.h"
#include "PickerWindow.h"

#include <QPointer>
#include <memory>

namespace Ui {
class TInvItem;
class TInvLabor;
class TInvPartFind;
class TInvLaborFind;
}  // namespace Ui

namespace kestrum::invoicing {

/// Part lines of a document (form TInvItem).
class PartLinesWindow : public lines::LineEditor {
    Q_OBJECT
public:
    ~PartLinesWindow() override;

protected:
    /// `spec` is usually partLineSpec(doc); `panel` the title over the fields.
    PartLinesWindow(lines::LineSpec spec, const QString& panel, QWidget* parent);

private:
    std::unique_ptr<Ui::TInvItem> ui;
};

/// Labor lines of a document (form TInvLabor).
class LaborLinesWindow : public lines::LineEditor {
    Q_OBJECT
public:
    ~LaborLinesWindow() override;

protected:
    /// `spec` is usually laborLineSpec(doc).
    LaborLinesWindow(lines::LineSpec spec, const QString& panel, QWidget* parent);

private:
    std::unique_ptr<Ui::TInvLabor> ui;
};

/// The part finder (form TInvPartFind), writing into the editor `target` returns.
class PartFinderWindow : public lines::PickerWindow {
    Q_OBJECT
public:
    ~PartFinderWindow() override;

protected:
    PartFinderWindow(const QString& caption, Target target, QWidget* parent);

private:
    std::unique_ptr<Ui::TInvPartFind> ui;
};

/// The labor finder (form TInvLaborFind).
class LaborFinderWindow : public lines::PickerWindow {
    Q_OBJECT
public:
    ~LaborFinderWindow() override;

protected:
    LaborFinderWindow(const QString& caption, Target target, bool closeButtonHides, QWidget* parent);

private:
    std::unique_ptr<Ui::TInvLaborFind> ui;
};

}  // namespace kestrum::invoicing

class TInvItem : public kestrum::invoicing::PartLinesWindow {
    Q_OBJECT
public:
    explicit TInvItem(QWidget* parent = nullptr);
};

class TInvLabor : public kestrum::invoicing::LaborLinesWindow {
    Q_OBJECT
public:
    explicit TInvLabor(QWidget* parent = nullptr);
};

class TInvPartFind : public kestrum::invoicing::PartFinderWindow {
    Q_OBJECT
public:
    explicit TInvPartFind(QWidget* parent = nullptr);
};

class TInvLaborFind : public kestrum::invoicing::LaborFinderWindow {
    Q_OBJECT
public:
    explicit TInvLaborFind(QWidget* parent = nullptr);
};

extern QPointer<TInvItem> InvItem;
extern QPointer<TInvLabor> InvLabor;
extern QPointer<TInvPartFind> InvPartFind;
extern QPointer<TInvLaborFind> InvLaborFind;
