#pragma once
// Numbers never follow the user's locale. QApplication switches the C library to the user's
// locale when it starts, after which printf would write 1,500000 under a decimal-comma locale
// and scanf read 2.25 as 2; this puts LC_NUMERIC back to "C" and makes Qt's default locale C.
// Call it right after the application object is made.

void UseCLocaleForNumbers();
