#pragma once
// CCITT Group 4 (T.6) encoder for 1-bit images, fed one pixel at a time from the top row
// down. The output file holds the bare Group 4 data with end-of-block, as the PDF
// CCITTFaxDecode filter takes it with /K -1, /Columns width and /Rows height.
//
// Call order: openccittfile, g4j_initialize, per row one g4j_encode_white or
// g4j_encode_black per pixel and g4j_encode_new_row, then g4j_encode_EOFB and
// closeccittfile. One encoder runs at a time (the state is shared).

#include <QByteArray>
#include <QString>

#include <cstdint>

// Opens (creates or truncates, never following a symbolic link) the output file.
bool openccittfile(const QString& path);
void g4j_initialize(int width, int height);
void g4j_encode_white(int count);
void g4j_encode_black(int count);
void g4j_encode_new_row();
void g4j_encode_EOFB();
// Writes the encoded data and closes the file; false when nothing valid was written.
bool closeccittfile();

// The encoder itself: `rows` holds `height` rows top-down, `stride` bytes apart, pixels
// most significant bit first, 1 = black. Empty on failure.
QByteArray EncodeCcittG4(const std::uint8_t* rows, int width, int height, int stride);
