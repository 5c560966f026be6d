#pragma once

class QPDF;

// Prints each sheet's number and the count of sheets ("12 / 348") small and centred at its foot,
// in the middle of the bottom margin (of that many points). The part's sheets are numbered from
// after the first sheets of the whole.
void numberSheets(QPDF& part, int before, int count, double bottomMargin);
