#pragma once
// Makes a button act once per press of its key (Space, Select), however long the
// key is held. Repeats that Qt marks as such are dropped. Under X a held key may
// also arrive as release and press pairs that are not marked: the two events of
// such a pair share one time stamp. So a release is held back for a moment; a
// press with its time stamp takes it back, and only the last release, the real
// one, reaches the button. Events without a time stamp pass at once.
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QObject>
#include <QTimer>

class QWidget;

class TKeyRepeatGuard : public QObject {
    // Its own meta-object: Install finds an installed guard by its type, and must
    // not take another filter of the button (the edit buttons have one) for it.
    Q_OBJECT

public:
    // How long a release waits for the press of its pair.
    static constexpr int PairWindowMs = 40;
    static void Install(QWidget* button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TKeyRepeatGuard(QWidget* button);
    void Deliver();
    QWidget* Button;
    QTimer Wait;
    bool Pending = false;
    bool Passing = false;
    int PendingKey = 0;
    Qt::KeyboardModifiers PendingModifiers;
    QString PendingText;
    quint64 PendingStamp = 0;
};
