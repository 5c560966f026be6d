#pragma once

class QPDF;

// Prints each sheet's number and the count of sheets ("12 / 348") small and centred at its foot,
// in the middle of the bottom margin (of that many points).
void numberSheets(QPDF& pdf, double bottomMargin);
