// The grids as components of a stored form. A grid is a Qt widget and a stored form holds
// components, so each grid on a form has a companion component: it carries what the form keeps
// of the grid (data source, options, look, indicator width, place on the form) under the stored
// class names "TDBGrid" and "TExtDBGrid", and owns the widget that shows it.
#pragma once

#include <vantrel/grid/ExtDBGrid.h>

#include <QPointer>
#include <QRect>

namespace vantrel {

/// \brief The base grid on a form. The widget is made with the component and has no parent until
/// a window takes it (Grid()->setParent); it goes with the component, or earlier with that window.
/// Set the stored properties here: the grid follows them at once. Once the widget is gone the
/// component keeps the values last set, so the form can still be written.
class TDBGridComponent : public TComponent {
public:
    explicit TDBGridComponent(TComponent* owner);
    ~TDBGridComponent() override;

    /// \brief The widget, or null once a window destroyed it.
    TCustomDBGrid* Grid() const { return FGrid; }

    TDataSource* DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* source);
    TDBGridOptions Options() const;
    void SetOptions(TDBGridOptions options);
    bool ReadOnly() const;
    void SetReadOnly(bool value);
    bool DefaultDrawing() const;
    void SetDefaultDrawing(bool value);
    TAlign Align() const;
    void SetAlign(TAlign value);
    TBorderStyle BorderStyle() const;
    void SetBorderStyle(TBorderStyle value);
    /// \brief Colours as the framework stores them (0x00BBGGRR); -1 is the style's own colour.
    /// \throws EConvertError for any other value.
    int64_t Color() const { return FColor; }
    void SetColor(int64_t value);
    int64_t FixedColor() const { return FFixedColor; }
    void SetFixedColor(int64_t value);
    /// \brief Place and size on the form, in pixels. \throws EConvertError for a place beyond
    /// +-100000 or a width or height outside 0..100000.
    int64_t Left() const { return Bounds().x(); }
    void SetLeft(int64_t value);
    int64_t Top() const { return Bounds().y(); }
    void SetTop(int64_t value);
    int64_t Width() const { return Bounds().width(); }
    void SetWidth(int64_t value);
    int64_t Height() const { return Bounds().height(); }
    void SetHeight(int64_t value);

protected:
    TDBGridComponent(TComponent* owner, TCustomDBGrid* grid);
    void Notification(TComponent* component, TOperation operation) override;

private:
    QRect Bounds() const;
    void SetBounds(const QRect& r);

    QPointer<TCustomDBGrid> FGrid;
    TDataSource* FDataSource = nullptr;
    TDBGridOptions FOptions = DefaultDBGridOptions;
    bool FReadOnly = false;
    bool FDefaultDrawing = true;
    TAlign FAlign = alNone;
    TBorderStyle FBorderStyle = bsSingle;
    int64_t FColor = -1;
    int64_t FFixedColor = -1;
    QRect FBounds{0, 0, 320, 120};
};

/// \brief The extended grid on a form: the base grid's properties and IndicatorSize.
class TExtDBGridComponent : public TDBGridComponent {
public:
    explicit TExtDBGridComponent(TComponent* owner);

    TExtDBGrid* ExtGrid() const { return static_cast<TExtDBGrid*>(Grid()); }
    int64_t IndicatorSize() const;
    /// \brief \throws EConvertError outside 1..49 (the grid itself ignores such a value; a form
    /// that holds one is damaged).
    void SetIndicatorSize(int64_t n);

private:
    int FIndicatorSize = 10;
};

} // namespace vantrel
