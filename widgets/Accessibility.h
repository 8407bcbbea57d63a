#pragma once
// What assistive technology learns of the program's own controls: a value box
// or status panel (TPanelLabel) gives its caption as name and the text it shows
// as value; the RUN/CAL switch (TToggleSwitch) is a checkable button whose name
// and value are the mode it shows, checked in CAL.
// Installs the factory for these controls; once, whatever the number of calls.
void InstallAccessibleControls();
