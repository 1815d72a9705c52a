#pragma once
// Decoding a photo for the editor with its follow-up work done alongside.
#include "core/imageplane.h"
#include "editor/histogramcount.h"

// Decodes the file that getJPEGFileInfo remembered on this thread into `decoded` (full
// size). Meanwhile a second thread counts the finished rows into `counter` and, when
// `upright` has pixels, sets them upright there from `orientation` (geometry::OrientRows),
// so that both are done about when the decoder is. Returns readJPEGfile's result; rows the
// decoder could not fill are taken as they stand, as a plain decode would leave them.
int DecodeUpright(const ImagePlane& decoded, const ImagePlane& upright, int orientation,
                  CHistogramCounter& counter);
