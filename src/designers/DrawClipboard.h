// The designers' own clipboard of drawing objects, shared by every designer for the whole run: free objects
// (illustrations, texts, figures, QR codes) copied in one designer paste into any other.
#pragma once

#include <QByteArray>

#include <memory>
#include <vector>

class TDrawRect;

class TDrawClipboard {
public:
    // Empties the clipboard and writes the free objects among objects, in order, each as its kind byte and
    // its own stream in the current stream version; fixed objects and the barcode are left out. Answers how
    // many were written.
    int Copy(const std::vector<const TDrawRect *> &objects);
    // The objects as copied, new and in order, read in the current stream version; a byte that names no free
    // object is skipped. All or nothing: a record that cannot be read throws EStreamError and nothing read
    // before it survives, so a paste either adds every object or none. The contents stay for the next paste.
    std::vector<std::unique_ptr<TDrawRect>> Paste() const;

    // The records as they are kept: kind byte, then the object's stream, once per object, no header or count.
    const QByteArray &Data() const { return Data_; }
    void SetData(const QByteArray &data) { Data_ = data; }

private:
    QByteArray Data_;
};

// Null until the first copy of any designer makes it; it lives until the program ends.
inline std::unique_ptr<TDrawClipboard> DrawClipboard;
