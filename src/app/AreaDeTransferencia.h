#pragma once
// The end marker must still be on the clipboard after the program has ended,
// which X11 does not do by itself: a clipboard's text lives in its owner.

#include <QString>

// The command-line switch of the hidden mode that serves the marker.
inline constexpr const char* kOpcaoServirMarcador = "--serve-end-marker";

// Called after the event loop, while the application still exists. When this
// program still owns the clipboard and no clipboard manager takes it over
// (Qt hands the text to one as the application ends), starts this executable
// in the hidden mode and waits until it has taken the clipboard.
void PreservarAreaDeTransferencia(const QString& executavel);

// The hidden mode: owns the clipboard with `texto` until another program
// takes it, then ends. Returns the exit status.
int ServirAreaDeTransferencia(const QString& texto);
