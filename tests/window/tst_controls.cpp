// The controls that draw themselves from cached pictures must look, pixel for
// pixel, as Qt's own drawing of the same control, and must follow every change of
// text, colour, state and size.
#include "../../app/ProgramLook.h"
#include "../../widgets/Controls.h"
#include "../../widgets/TextCellDelegate.h"

#include <QApplication>
#include <QFont>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
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

    void valueLabelDrawsAsQLabel_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QSize>("size");
        QTest::newRow("reading") << QStringLiteral("100.39 \u00B0C") << QSize(73, 20);
        QTest::newRow("N/A") << QStringLiteral("N/A") << QSize(73, 20);
        QTest::newRow("negative") << QStringLiteral("-200.0") << QSize(80, 20);
        QTest::newRow("range name") << QStringLiteral("Type K (-200..1372 \u00B0C)") << QSize(233, 20);
        QTest::newRow("wider than the box") << QStringLiteral("Type K (-200..1372 \u00B0C)") << QSize(60, 20);
        QTest::newRow("empty") << QString() << QSize(73, 20);
        QTest::newRow("two lines") << QStringLiteral("Error\nagain") << QSize(73, 30);
        QTest::newRow("markup stays text") << QStringLiteral("<b>5</b>") << QSize(73, 20);
    }

    void valueLabelDrawsAsQLabel() {
        QFETCH(QString, text);
        QFETCH(QSize, size);
        TValueLabel value;
        TReferenceLabel reference(true);
        for (QLabel* label : {static_cast<QLabel*>(&value), static_cast<QLabel*>(&reference)}) {
            label->resize(size);
            label->setText(text);
        }
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
