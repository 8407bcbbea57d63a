#pragma once
// Every message box, the general error box, the full-mode confirmation, the port
// dialog and the warning beep go through this interface, so that tests can answer
// them and record what was shown.
#include <QString>

class QWidget;

class TUiServices {
public:
    virtual ~TUiServices() = default;
    // The system's warning (exclamation) sound.
    virtual void Beep() = 0;
    // Modal information box with an OK button.
    virtual void Information(QWidget* parent, const QString& text) = 0;
    // Modal error dialog titled "Error" with one OK button.
    virtual void ErrorDialog(QWidget* parent, const QString& text) = 0;
    // The general error box: the program's title as caption, error icon, the text.
    virtual void GeneralError(QWidget* parent, const QString& text) = 0;
    // Modal question with Yes and No; true for Yes.
    virtual bool Confirm(QWidget* parent, const QString& text) = 0;
    // The port dialog TfrmComSelect; true for OK with the chosen number in port.
    virtual bool SelectPort(QWidget* parent, int& port) = 0;
};

// The real dialogs.
class TQtUiServices : public TUiServices {
public:
    void Beep() override;
    void Information(QWidget* parent, const QString& text) override;
    void ErrorDialog(QWidget* parent, const QString& text) override;
    void GeneralError(QWidget* parent, const QString& text) override;
    bool Confirm(QWidget* parent, const QString& text) override;
    bool SelectPort(QWidget* parent, int& port) override;
};

// The program's title, the caption of the general error box.
QString ProgramTitle();
