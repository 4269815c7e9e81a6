#pragma once
// Writes a JPEG file a band of lines at a time, so that a picture of any
// size is written in the memory of a few lines: the caller hands out each
// line of pixels when the encoder asks for it. Baseline JPEG, three colour
// components, no whole-picture optimisation (which would hold the picture).

#include <QString>

#include <functional>

class QIODevice;

// Fills one line of the picture, counted from the top, as red, green and
// blue bytes (3 per pixel, width pixels).
using TJpegLineSource = std::function<void(int line, unsigned char* rgb)>;

// Writes a picture of width by height pixels (each 1 to 65500) with the
// quality given (1 to 100) to out. False, with the reason in error, when
// the encoder or the device fails; what was written then is incomplete.
bool WriteJpegByLines(QIODevice& out, int width, int height, int quality, const TJpegLineSource& line,
                      QString& error);
