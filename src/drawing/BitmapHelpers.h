// Bringing a picture file into memory with its resolution, placing a picture at its physical size on a
// page-sized bitmap (centred or tiled), and putting a bitmap on any canvas, printers included.
#pragma once

#include "drawing/Canvas.h"
#include "drawing/Graphic.h"

#include <QString>

#include <functional>
#include <memory>

// 1 for a ".BMP" file, 2 for ".JPG" and ".JPEG", 3 for ".PNG" (any case), -1 for anything else.
int PictureKindOfFile(const QString &fileName);

// The picture of a bitmap, JPEG or PNG file, decided by its content (a JPEG named ".bmp" is a JPEG): a bitmap
// at 24 bits per pixel (a PNG's transparent parts white) or a TJpegImage; none for another extension
// (resolution then untouched), another content, a damaged file, a JPEG the decoder refuses for its scans
// (TJpegImage) or an empty picture. resolution gets the dots per inch the file gives, else 72. A JPEG is
// decoded at the cover jpegCover gives for its own size upright (the header's, turned as its EXIF says;
// TJpegImage::LoadFromData), with resolution already set: a photograph is decoded no larger than what it is
// placed on needs, and one the bound refuses at full size still comes in. Without jpegCover it is decoded at
// full size. Throws EStreamError when the file cannot be opened, EJpegTooLarge for a JPEG too large to decode at
// the cover (the caller tells the user how large it is).
std::unique_ptr<TGraphic> LoadPictureFile(const QString &fileName, int &resolution,
                                          const std::function<int(QSize)> &jpegCover = {});

// picture at its physical size (resolution in dots per inch; 72 when not above 0) at 96 dots per inch
// times scale, centred on target.
void DrawPictureCentred(const QImage &picture, int resolution, QImage &target, double scale);
// target covered with copies of picture at its physical size times scale, starting at the top left or, with
// fromBottomRight, at the bottom right. A picture that comes out smaller than a pixel draws nothing.
void DrawPictureTiled(const QImage &picture, int resolution, QImage &target, bool fromBottomRight, double scale);

// The whole bitmap stretched into rect on canvas with the raster operation rop (SRCCOPY, SRCAND, ...).
void PrintBitmap(TCanvas &canvas, const QImage &bitmap, const TRect &rect, unsigned rop);
