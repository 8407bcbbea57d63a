#pragma once
// The activity lamp and the plain shapes of the JP6 picture.
#include "Drawing.h"

#include <QColor>
#include <QPixmap>
#include <QWidget>

// An 11 x 11 lamp on a window-coloured ground: green when lit, button face when
// dark. Both faces are drawn once per palette; the lamps flash with every exchange.
class TLamp : public QWidget {
    Q_OBJECT
public:
    explicit TLamp(QWidget* parent = nullptr);
    void SetLit(bool lit);
    bool Lit() const { return On; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool On = false;
    QPixmap Faces[2];
    TFaceKey FacesKey;
};

// A filled rectangle or circle with a black outline.
class TShape : public QWidget {
    Q_OBJECT
public:
    enum class TKind { Rectangle, Circle };
    TShape(TKind kind, const QColor& fill, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TKind Kind;
    QColor Fill;
};
