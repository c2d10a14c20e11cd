#include "TLaborFind.h"

#include "ui_TLaborFind.h"

#include "LineSpecs.h"
#include "TOrderItem.h"

QPointer<TLaborFind> LaborFind;

TLaborFind::TLaborFind(QWidget* parent)
    : PickerWindow(
          kestrum::purchasing::orderPartPickerSpec(),
          [] { return static_cast<kestrum::lines::LineEditor*>(OrderItem.data()); }, parent),
      ui(std::make_unique<Ui::TLaborFind>()) {
    ui->setupUi(this);
    setupPicker();
    LaborFind = this;
}

TLaborFind::~TLaborFind() = default;
