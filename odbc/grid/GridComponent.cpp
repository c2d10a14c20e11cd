#include <vantrel/grid/GridComponent.h>

#include <vantrel/framework/Streaming.h>

namespace vantrel {

namespace {

QColor ToQColor(int64_t value) {
    return value < 0 ? QColor() : QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int64_t CheckedColor(const char* what, int64_t value) {
    if (value < -1 || value > 0xFFFFFF)
        throw EConvertError(String(what) + " " + IntToStr(value) +
                            " is no colour (0 to 16777215, or -1 for the style's own)");
    return value;
}

constexpr int64_t MaxExtent = 100000;

int CheckedPixels(const char* what, int64_t value, int64_t lowest) {
    if (value < lowest || value > MaxExtent)
        throw EConvertError(String(what) + " " + IntToStr(value) + " is out of range (" + IntToStr(lowest) +
                            " to " + IntToStr(MaxExtent) + ")");
    return static_cast<int>(value);
}

} // namespace

// ---- TDBGridComponent ---------------------------------------------------------------------------

TDBGridComponent::TDBGridComponent(TComponent* owner) : TDBGridComponent(owner, new TDBGrid) {}

TDBGridComponent::TDBGridComponent(TComponent* owner, TCustomDBGrid* grid) : TComponent(owner), FGrid(grid) {
    FGrid->setGeometry(FBounds);
}

TDBGridComponent::~TDBGridComponent() {
    Destroying();
    SetDataSource(nullptr);
    delete FGrid.data();
}

void TDBGridComponent::SetDataSource(TDataSource* source) {
    if (source == FDataSource)
        return;
    if (FDataSource)
        RemoveFreeNotification(FDataSource);
    FDataSource = source;
    if (source)
        FreeNotification(source);
    if (FGrid)
        FGrid->SetDataSource(source);
}

void TDBGridComponent::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == FDataSource)
        SetDataSource(nullptr);
}

TDBGridOptions TDBGridComponent::Options() const { return FGrid ? FGrid->Options() : FOptions; }

void TDBGridComponent::SetOptions(TDBGridOptions options) {
    FOptions = options;
    if (FGrid)
        FGrid->SetOptions(options);
}

bool TDBGridComponent::ReadOnly() const { return FGrid ? FGrid->ReadOnly() : FReadOnly; }

void TDBGridComponent::SetReadOnly(bool value) {
    FReadOnly = value;
    if (FGrid)
        FGrid->SetReadOnly(value);
}

bool TDBGridComponent::DefaultDrawing() const { return FGrid ? FGrid->DefaultDrawing() : FDefaultDrawing; }

void TDBGridComponent::SetDefaultDrawing(bool value) {
    FDefaultDrawing = value;
    if (FGrid)
        FGrid->SetDefaultDrawing(value);
}

TAlign TDBGridComponent::Align() const { return FGrid ? FGrid->Align() : FAlign; }

void TDBGridComponent::SetAlign(TAlign value) {
    FAlign = value;
    if (FGrid)
        FGrid->SetAlign(value);
}

TBorderStyle TDBGridComponent::BorderStyle() const { return FGrid ? FGrid->BorderStyle() : FBorderStyle; }

void TDBGridComponent::SetBorderStyle(TBorderStyle value) {
    FBorderStyle = value;
    if (FGrid)
        FGrid->SetBorderStyle(value);
}

void TDBGridComponent::SetColor(int64_t value) {
    FColor = CheckedColor("Color", value);
    if (FGrid && value >= 0)
        FGrid->SetColor(ToQColor(value));
    else if (FGrid)
        FGrid->setPalette(QPalette());
}

void TDBGridComponent::SetFixedColor(int64_t value) {
    FFixedColor = CheckedColor("FixedColor", value);
    if (FGrid)
        FGrid->SetFixedColor(ToQColor(value));
}

QRect TDBGridComponent::Bounds() const { return FGrid ? FGrid->geometry() : FBounds; }

void TDBGridComponent::SetBounds(const QRect& r) {
    FBounds = r;
    if (FGrid)
        FGrid->setGeometry(r);
}

void TDBGridComponent::SetLeft(int64_t value) {
    QRect r = Bounds();
    r.moveLeft(CheckedPixels("Left", value, -MaxExtent));
    SetBounds(r);
}

void TDBGridComponent::SetTop(int64_t value) {
    QRect r = Bounds();
    r.moveTop(CheckedPixels("Top", value, -MaxExtent));
    SetBounds(r);
}

void TDBGridComponent::SetWidth(int64_t value) {
    QRect r = Bounds();
    r.setWidth(CheckedPixels("Width", value, 0));
    SetBounds(r);
}

void TDBGridComponent::SetHeight(int64_t value) {
    QRect r = Bounds();
    r.setHeight(CheckedPixels("Height", value, 0));
    SetBounds(r);
}

// ---- TExtDBGridComponent ------------------------------------------------------------------------

TExtDBGridComponent::TExtDBGridComponent(TComponent* owner) : TDBGridComponent(owner, new TExtDBGrid) {}

int64_t TExtDBGridComponent::IndicatorSize() const { return ExtGrid() ? ExtGrid()->IndicatorSize() : FIndicatorSize; }

void TExtDBGridComponent::SetIndicatorSize(int64_t n) {
    if (n < 1 || n > 49)
        throw EConvertError("IndicatorSize " + IntToStr(n) + " is out of range (1 to 49)");
    FIndicatorSize = static_cast<int>(n);
    if (ExtGrid())
        ExtGrid()->SetIndicatorSize(static_cast<int>(n));
}

// ---- Stored form --------------------------------------------------------------------------------

namespace {

// The data source is the framework's; it is registered here, beside the grids that use it.
const bool gGridsRegistered = [] {
    RegisterClass<TDataSource, TComponent>("TDataSource")
        .Component("DataSet", &TDataSource::DataSet, &TDataSource::SetDataSet)
        .Boolean("AutoEdit", &TDataSource::AutoEdit, &TDataSource::SetAutoEdit, true)
        .Boolean("Enabled", &TDataSource::Enabled, &TDataSource::SetEnabled, true);
    using G = TDBGridComponent;
    RegisterClass<G, TComponent>("TDBGrid")
        .Component("DataSource", &G::DataSource, &G::SetDataSource)
        .Set("Options", &G::Options, &G::SetOptions,
             {"dgEditing", "dgAlwaysShowEditor", "dgTitles", "dgIndicator", "dgColumnResize", "dgColLines",
              "dgRowLines", "dgTabs", "dgRowSelect", "dgAlwaysShowSelection", "dgConfirmDelete",
              "dgCancelOnExit", "dgMultiSelect"},
             DefaultDBGridOptions)
        .Boolean("ReadOnly", &G::ReadOnly, &G::SetReadOnly, false)
        .Boolean("DefaultDrawing", &G::DefaultDrawing, &G::SetDefaultDrawing, true)
        .Enum("Align", &G::Align, &G::SetAlign, {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"},
              alNone)
        .Enum("BorderStyle", &G::BorderStyle, &G::SetBorderStyle, {"bsNone", "bsSingle"}, bsSingle)
        .Integer("Color", &G::Color, &G::SetColor, -1)
        .Integer("FixedColor", &G::FixedColor, &G::SetFixedColor, -1)
        .Integer("Left", &G::Left, &G::SetLeft)
        .Integer("Top", &G::Top, &G::SetTop)
        .Integer("Width", &G::Width, &G::SetWidth)
        .Integer("Height", &G::Height, &G::SetHeight);
    RegisterClass<TExtDBGridComponent, TDBGridComponent>("TExtDBGrid")
        .Integer("IndicatorSize", &TExtDBGridComponent::IndicatorSize, &TExtDBGridComponent::SetIndicatorSize, 10);
    return true;
}();

} // namespace

} // namespace vantrel
