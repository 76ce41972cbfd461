#pragma once
// A tool button's caption that fits its button: the whole caption is kept on the button,
// and what is shown is cut with "…" to the button's width (its icon and margins left
// out). The tooltip, which should name the whole, is the caller's. Window thread only.
#include <QString>

class QToolButton;

// Keeps `pelny` as `b`'s caption and shows as much of it as fits.
void UstawPodpis(QToolButton* b, const QString& pelny);

// Fits the kept caption again: after `b` changed its width, font or icon.
void DopasujPodpis(QToolButton* b);

// The whole caption kept on `b` (its text when none was kept).
QString PelnyPodpis(const QToolButton* b);
