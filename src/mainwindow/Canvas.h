// A drawing surface: a widget over a persistent QImage with a user scale.
// Coordinates are given in the scale set with Scale() (any corner order, so y
// may run upwards); without a scale they are pixels. Drawing goes to the image
// and stays there until Cls(); the widget paints the image as its background,
// child widgets lie on top of it.
//
// Colours are the toolkit's 32-bit values 0x00BBGGRR (255 is red, 0xFF0000
// blue), so values stored in files and tables can be passed on as they are.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <string>

namespace vondrel {

// 0x00BBGGRR from red, green and blue.
constexpr uint32_t Rgb(int r, int g, int b) {
    return static_cast<uint32_t>((r & 255) | ((g & 255) << 8) | ((b & 255) << 16));
}
QColor ToQColor(uint32_t bgr);

class Canvas : public QWidget {
    Q_OBJECT
public:
    explicit Canvas(QWidget* parent = nullptr);

    // User scale: (x1, y1) is the top-left corner, (x2, y2) the bottom-right.
    void Scale(double x1, double y1, double x2, double y2);
    // Back to pixels, origin top left.
    void ScalePixels();
    double ScaleLeft() const { return pixelScale_ ? 0 : x1_; }
    double ScaleTop() const { return pixelScale_ ? 0 : y1_; }
    // In pixels without a user scale.
    double ScaleWidth() const { return pixelScale_ ? width() : x2_ - x1_; }
    double ScaleHeight() const { return pixelScale_ ? height() : y2_ - y1_; }

    // Clears the image to the background colour; the scale stays.
    void Cls();
    void SetBackColor(uint32_t bgr);
    uint32_t BackColor() const { return back_; }
    void SetForeColor(uint32_t bgr) { fore_ = bgr; }
    uint32_t ForeColor() const { return fore_; }
    void SetDrawWidth(int pixels) { drawWidth_ = pixels < 1 ? 1 : pixels; }
    int DrawWidth() const { return drawWidth_; }
    // Draw mode 13 is copy pen, the only mode the program uses; kept for callers.
    void SetDrawMode(int mode) { drawMode_ = mode; }
    int DrawMode() const { return drawMode_; }
    // Persistent drawing: always on for this surface; the flag is kept for callers.
    void SetAutoRedraw(bool on) { autoRedraw_ = on; }
    bool AutoRedraw() const { return autoRedraw_; }
    // Border style: 0 none, 1 fixed single.
    void SetBorderStyle(int style);

    void Line(double x1, double y1, double x2, double y2, uint32_t bgr);
    void Line(double x1, double y1, double x2, double y2) { Line(x1, y1, x2, y2, fore_); }
    // Lines joining `count` points (in the scale) in order, in one stroke;
    // Polylines draws many in one go.
    void Polyline(const QPointF* points, size_t count, uint32_t bgr);
    struct PolylineRef {
        const QPointF* points = nullptr;
        size_t count = 0;
        uint32_t bgr = 0;
    };
    void Polylines(const PolylineRef* lines, size_t count);
    void Box(double x1, double y1, double x2, double y2, uint32_t bgr);
    void FilledBox(double x1, double y1, double x2, double y2, uint32_t bgr);
    // Arc of a circle of radius r (scale units along x), angles in radians
    // counter-clockwise from the positive x axis; start > end wraps through 0.
    void Arc(double cx, double cy, double r, double startRad, double endRad, uint32_t bgr);
    void Circle(double cx, double cy, double r, uint32_t bgr);
    void PSet(double x, double y, uint32_t bgr);
    // Prints text with its top-left corner at (x, y) in the text colour;
    // returns the text's box in pixels (its advance by the font's height).
    QRectF Print(double x, double y, const std::string& text);
    // Prints without smoothing the glyphs' edges: printing the same text again
    // in the background colour then removes it without a trace.
    QRectF PrintSolid(double x, double y, const std::string& text);
    void SetTextColor(uint32_t bgr) { text_ = bgr; }

    // Pixel position of a scale point, and the scale point of a pixel position.
    QPointF ToPixel(double x, double y) const;
    QPointF FromPixel(double px, double py) const;

    const QImage& Image() const {
        EnsureImage();
        return image_;
    }
    // Colour of the image pixel (x, y) as 0x00BBGGRR.
    uint32_t PixelAt(int x, int y) const;
    // Writes the image as a Windows bitmap file; false on failure.
    bool SaveBmp(const std::string& path) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRectF PrintText(double x, double y, const std::string& text, bool smooth);
    QPen PenOf(uint32_t bgr) const;
    // Keeps the image at the widget's size (a hidden widget gets its resize
    // event only when shown, but may be drawn on before).
    void EnsureImage() const;

    mutable QImage image_;
    double x1_ = 0, y1_ = 0, x2_ = 0, y2_ = 0;
    bool pixelScale_ = true;
    uint32_t back_ = 0xFFFFFF;
    uint32_t fore_ = 0;
    uint32_t text_ = 0;
    int drawWidth_ = 1;
    int drawMode_ = 13;
    bool autoRedraw_ = true;
};

}  // namespace vondrel
