// The controls that draw themselves from cached pictures must look, pixel for
// pixel, as Qt's own drawing of the same control, and must follow every change of
// text, colour, state and size.
#include "../../app/ProgramLook.h"
#include "../../app/WindowShell.h"
#include "../../panels/general/GeneralPanel.h"
#include "../../widgets/Controls.h"
#include "../../widgets/TextCellDelegate.h"
#include "WindowHarness.h"

#include <QApplication>
#include <QFont>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QStyleOptionGroupBox>
#include <QTest>
#include <QTreeWidget>

namespace {
// The same box drawn by QLabel itself.
class TReferenceLabel : public QLabel {
public:
    explicit TReferenceLabel(bool filled) {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setLineWidth(1);
        setAlignment(Qt::AlignCenter);
        setTextFormat(Qt::PlainText);
        if (filled) {
            setAutoFillBackground(true);
            QPalette pal = palette();
            pal.setColor(QPalette::Window, pal.color(QPalette::Base));
            setPalette(pal);
        }
    }
};

QImage Picture(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

// The first differing pixel, for the failure message.
QString Difference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return QStringLiteral("sizes differ");
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return QStringLiteral("(%1, %2): %3 against %4")
                    .arg(x)
                    .arg(y)
                    .arg(a.pixel(x, y), 8, 16)
                    .arg(b.pixel(x, y), 8, 16);
    return QString();
}

#define COMPARE_PICTURES(actual, expected)                                                                   \
    do {                                                                                                     \
        const QImage a_ = (actual), e_ = (expected);                                                         \
        QVERIFY2(a_ == e_, qPrintable(Difference(a_, e_)));                                                  \
    } while (false)

// The lamp as it was drawn directly, each paint.
QImage ReferenceLamp(const QWidget& lamp, bool lit) {
    QImage image(lamp.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(lamp.palette().color(QPalette::Window));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(lamp.palette().color(QPalette::Dark));
    p.setBrush(lit ? QColor(0, 128, 0) : lamp.palette().color(QPalette::Button));
    p.drawEllipse(QRectF(0.5, 0.5, lamp.width() - 1.0, lamp.height() - 1.0));
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// A report-style list like the calibration lists, drawn by the given delegate.
class TList : public QTreeWidget {
public:
    explicit TList(QAbstractItemDelegate* delegate) {
        delegate->setParent(this); // a view does not own its delegate
        setItemDelegate(delegate);
        setRootIsDecorated(false);
        setUniformRowHeights(true);
        setAllColumnsShowFocus(true);
        setSelectionBehavior(QAbstractItemView::SelectRows);
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setColumnCount(4);
        setHeaderLabels(
            {QStringLiteral("Input"), QStringLiteral("Zero"), QStringLiteral("FS"), QStringLiteral("Range")});
        const int widths[4] = {85, 43, 43, 113};
        for (int c = 0; c < 4; ++c)
            header()->resizeSection(c, widths[c]);
        const QStringList names = {QStringLiteral("Type J"), QStringLiteral("Type K"),
                                   QStringLiteral("Pt100 3-wire"), QStringLiteral("0-10 V"),
                                   QStringLiteral("An input name too long")};
        for (int r = 0; r < names.size(); ++r) {
            auto* item = new QTreeWidgetItem(
                this, {names[r], r % 2 ? QStringLiteral("OK") : QStringLiteral("UCAL"), QStringLiteral("N/A"),
                       QStringLiteral("-200\u00B0C..1372\u00B0C")});
            item->setForeground(1, r % 2 ? QColor(0, 128, 0) : QColor(255, 0, 0));
            for (int c = 1; c < 4; ++c)
                item->setTextAlignment(c, Qt::AlignHCenter | Qt::AlignVCenter);
        }
        resize(305, 169);
    }
};
} // namespace

class TstControls : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetProgramLook(); }

    // A text too wide for its box is drawn condensed, or else elided, exactly as
    // QLabel draws the fitted text in the fitted font.
    void valueLabelDrawsAsQLabel_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("fit"); // 0 as it is, 1 condensed, 2 elided
        QTest::newRow("reading") << QStringLiteral("100.39 \u00B0C") << QSize(73, 20) << 0;
        QTest::newRow("N/A") << QStringLiteral("N/A") << QSize(73, 20) << 0;
        QTest::newRow("negative") << QStringLiteral("-200.0") << QSize(80, 20) << 0;
        QTest::newRow("range name") << QStringLiteral("Type K (-200..1372 \u00B0C)") << QSize(233, 20) << 0;
        QTest::newRow("a little too wide")
            << QStringLiteral("Type K (-200..1372 \u00B0C)") << QSize(110, 20) << 1;
        QTest::newRow("far too wide") << QStringLiteral("Type K (-200..1372 \u00B0C)") << QSize(60, 20) << 2;
        QTest::newRow("-3.4e38 keeps its sign")
            << QStringLiteral("-339999995214436424907732413799364296704 \u00B5V") << QSize(73, 20) << 2;
        QTest::newRow("empty") << QString() << QSize(73, 20) << 0;
        QTest::newRow("two lines") << QStringLiteral("Error\nagain") << QSize(73, 30) << 0;
        QTest::newRow("markup stays text") << QStringLiteral("<b>5</b>") << QSize(73, 20) << 0;
    }

    void valueLabelDrawsAsQLabel() {
        QFETCH(QString, text);
        QFETCH(QSize, size);
        QFETCH(int, fit);
        TValueLabel value;
        TReferenceLabel reference(true);
        for (QLabel* label : {static_cast<QLabel*>(&value), static_cast<QLabel*>(&reference)}) {
            label->resize(size);
            label->setText(text);
            label->setToolTip(QStringLiteral("hint"));
        }
        const TFittedLine shown = value.Shown();
        QCOMPARE(shown.Font != value.font(), fit > 0);
        QCOMPARE(shown.Elided, fit == 2);
        if (fit == 2) {
            QVERIFY2(shown.Text.endsWith(QChar(0x2026)) && text.startsWith(shown.Text.chopped(1)),
                     qPrintable(shown.Text));
            QCOMPARE(value.TipText(), text + QStringLiteral("\nhint"));
        } else {
            QCOMPARE(shown.Text, text);
            QCOMPARE(value.TipText(), QStringLiteral("hint"));
        }
        reference.setFont(shown.Font);
        reference.setText(shown.Text);
        COMPARE_PICTURES(Picture(value), Picture(reference));
    }

    // Each cached picture must be renewed when what it shows changes.
    void valueLabelFollowsItsChanges() {
        TValueLabel value;
        TReferenceLabel reference(true);
        auto both = [&](auto change) {
            change(static_cast<QLabel&>(value));
            change(static_cast<QLabel&>(reference));
        };
        both([](QLabel& l) { l.resize(73, 20); });
        both([](QLabel& l) { l.setText(QStringLiteral("24.5")); });
        COMPARE_PICTURES(Picture(value), Picture(reference));

        both([](QLabel& l) { l.setText(QStringLiteral("1372.0 \u00B0C")); });
        COMPARE_PICTURES(Picture(value), Picture(reference));

        value.SetTextColor(QColor(255, 0, 0));
        QPalette red = reference.palette();
        red.setColor(QPalette::WindowText, QColor(255, 0, 0));
        reference.setPalette(red);
        COMPARE_PICTURES(Picture(value), Picture(reference));
        QCOMPARE(value.TextColor(), QColor(255, 0, 0));

        both([](QLabel& l) { l.setEnabled(false); });
        COMPARE_PICTURES(Picture(value), Picture(reference));
        both([](QLabel& l) { l.setEnabled(true); });

        both([](QLabel& l) { l.resize(120, 24); });
        COMPARE_PICTURES(Picture(value), Picture(reference));

        both([](QLabel& l) {
            QFont bold = l.font();
            bold.setBold(true);
            l.setFont(bold);
        });
        COMPARE_PICTURES(Picture(value), Picture(reference));
    }

    // The status bar's panels: framed, no background of their own.
    void panelLabelDrawsAsQLabel() {
        QWidget backdrop;
        backdrop.resize(300, 30);
        auto* panel = new TPanelLabel(&backdrop);
        panel->setGeometry(0, 0, 238, 21);
        panel->setText(QStringLiteral("Reading input configuration..."));
        auto* reference = new TReferenceLabel(false);
        reference->setParent(&backdrop);
        reference->setGeometry(0, 0, 238, 21);
        reference->setText(panel->text());
        reference->hide();
        const QImage drawn = Picture(backdrop);
        panel->hide();
        reference->show();
        COMPARE_PICTURES(drawn, Picture(backdrop));
    }

    // Centred and left cells, coloured texts, a selected row, the focus, a cell
    // too narrow for its text, and the disabled list.
    void textCellsDrawAsQtsOwn() {
        auto* fast = new TTextCellDelegate;
        TList list(fast);
        TList reference(new QStyledItemDelegate);
        auto both = [&](auto change) {
            change(list);
            change(reference);
        };
        COMPARE_PICTURES(Picture(list), Picture(reference));
        QVERIFY(fast->CachedTexts() > 0);

        both([](TList& l) {
            l.setFocus();
            l.setCurrentItem(l.topLevelItem(1));
        });
        COMPARE_PICTURES(Picture(list), Picture(reference));

        both([](TList& l) { l.topLevelItem(0)->setText(1, QStringLiteral("OK")); });
        COMPARE_PICTURES(Picture(list), Picture(reference));

        both([](TList& l) { l.setEnabled(false); });
        COMPARE_PICTURES(Picture(list), Picture(reference));
    }

    // The frame's top line runs through the middle of the caption, with a gap for it.
    void groupBoxFrameRunsThroughItsCaption() {
        QGroupBox box(QStringLiteral(" Input "));
        box.resize(120, 60);
        const QImage image = Picture(box);
        const QRgb ground = image.pixel(60, 40);
        int line = 0; // the first row of the frame, right of the caption
        while (line < 30 && image.pixel(110, line) == ground)
            ++line;
        int inkTop = 99, inkBottom = -1, inkLeft = 99; // of the caption, left of x 60
        for (int y = 0; y < 30; ++y)
            for (int x = 4; x < 60; ++x)
                if (image.pixel(x, y) != ground && y != line && y != line + 1) {
                    inkTop = std::min(inkTop, y);
                    inkBottom = std::max(inkBottom, y);
                    inkLeft = std::min(inkLeft, x);
                }
        QVERIFY2(inkTop < line && line < inkBottom,
                 qPrintable(QStringLiteral("line %1, caption %2..%3").arg(line).arg(inkTop).arg(inkBottom)));
        QVERIFY(image.pixel(3, line) != ground);          // the line left of the caption
        QCOMPARE(image.pixel(inkLeft - 1, line), ground); // and its gap
    }

    // Every control of a box lies inside its frame, and no caption touches a
    // control (the JP6 picture's letters lie on it by design).
    void windowControlsInsideTheirFrames() {
        TWindowHarness h;
        TfrmMain& w = *h.Window;
        for (QGroupBox* box : {w.Shell->grpGeneral, w.Shell->grpInput, w.Shell->grpOutput}) {
            QStyleOptionGroupBox option;
            option.initFrom(box);
            option.text = box->title();
            option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            const QRect inside =
                box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxContents, box);
            const QList<QWidget*> controls = box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
            for (const QWidget* c : controls) {
                QVERIFY2(inside.contains(c->geometry()), qPrintable(c->objectName()));
                const auto* caption = qobject_cast<const QLabel*>(c);
                if (!caption || qobject_cast<const TPanelLabel*>(c) || c == w.General->Label2 ||
                    c == w.General->Label3)
                    continue;
                if (!caption->text().isEmpty())
                    QVERIFY2(c->width() >= c->sizeHint().width(), qPrintable(c->objectName()));
                for (const QWidget* other : controls)
                    QVERIFY2(other == c || !c->geometry().intersects(other->geometry()),
                             qPrintable(c->objectName() + " touches " + other->objectName()));
            }
        }
    }

    void lampDrawsBothFaces() {
        TLamp lamp;
        QCOMPARE(lamp.size(), QSize(11, 11));
        COMPARE_PICTURES(Picture(lamp), ReferenceLamp(lamp, false));
        lamp.SetLit(true);
        QVERIFY(lamp.Lit());
        COMPARE_PICTURES(Picture(lamp), ReferenceLamp(lamp, true));
        lamp.SetLit(false);
        COMPARE_PICTURES(Picture(lamp), ReferenceLamp(lamp, false));

        // A new palette is a new pair of faces.
        QPalette pal = lamp.palette();
        pal.setColor(QPalette::Button, QColor(200, 200, 0));
        lamp.setPalette(pal);
        COMPARE_PICTURES(Picture(lamp), ReferenceLamp(lamp, false));
    }
};

QTEST_MAIN(TstControls)
#include "tst_controls.moc"
