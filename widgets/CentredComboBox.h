#pragma once
#include <QComboBox>

// A drop-down list with a fixed set of items that shows its selection and the
// items of its list centred.
class TCentredComboBox : public QComboBox {
public:
    explicit TCentredComboBox(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
