#pragma once
// The status bar of the main window: four flat panels (100, 280 and 239 pixels
// wide, the last takes the rest) with centred texts and a double-click per panel.
// Panel 3 is a container for other controls.
#include <QColor>
#include <QLabel>
#include <QWidget>
#include <array>

class TPanelLabel;

class TStatusBar : public QWidget {
    Q_OBJECT
public:
    explicit TStatusBar(QWidget* parent = nullptr);
    static constexpr int PanelCount = 4;
    void SetPanelText(int panel, const QString& text);
    QString PanelText(int panel) const;
    void SetPanelColor(int panel, const QColor& color);
    QColor PanelColor(int panel) const;
    // The container of panel 3.
    QWidget* Container() const { return Panel3; }
    QLabel* Panel(int panel) const;
    int PanelAt(const QPoint& pos) const;

signals:
    void PanelDoubleClicked(int panel);
    // Every text a panel is given, also the one it already shows.
    void PanelTextSet(int panel, const QString& text);

protected:
    // A panel whose text is elided shows it whole in a tool tip.
    bool event(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::array<TPanelLabel*, 3> Labels{};
    QWidget* Panel3;
};
