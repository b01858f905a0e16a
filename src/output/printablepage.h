#pragma once
// The printable page the views are laid out for, without a printer object: the size of
// the printable area in device pixels and the resolution. The desktop program reads it
// from its printer (TPrinterSource); the command-line tool and the program without an
// installed printer use the default page.

// Printable area of the current printer in device pixels and its resolution.
struct TPrintablePage {
    int width = 0;
    int height = 0;
    int dpi = 600;
    bool operator==(const TPrintablePage&) const = default;
};

// The page when no printer is installed: A4 in landscape at 600 dpi, the size in pixels
// as QPageSize gives it.
TPrintablePage DefaultPrintablePage();
