#pragma once

#include <memory>

namespace gb {

class TVector;
using VectorRef = std::shared_ptr<TVector>;

// A mutable pair of 32-bit floats: a cell position, a pixel position, a size or a direction.
// Operations change the vector in place; whoever needs an independent value takes a copy.
// The turning and length computations run in double and are rounded to float only when
// stored, so a half-cell offset turned by a quarter turn comes back as the same half value.
class TVector {
  public:
    float x = 0.0f;
    float y = 0.0f;

    TVector() = default;
    TVector(float atX, float atY) : x(atX), y(atY) {}

    [[nodiscard]] static VectorRef create(float x, float y);
    [[nodiscard]] VectorRef copy() const;

    void set(const TVector& other);
    void setXY(float newX, float newY);
    void add(const TVector& other);
    void subtract(const TVector& other);
    void divide(float s);
    void multiply(float s);
    void multiplyBy(const TVector& other);

    // Direction in degrees: 0 points right, 90 points up on the screen (y grows downwards).
    double angle() const;
    // Turns about (0, 0); a positive delta turns counter-clockwise on the screen.
    void rotate(double degrees);
    double length() const;

    // Whether the rounded cell lies within [0, size.x) x [0, size.y).
    bool insideBounds(const TVector& size) const;
    // The cell a component belongs to: add one half, then truncate toward zero
    // (so -1.0 belongs to cell 0 and -1.5 to cell -1).
    int roundX() const;
    int roundY() const;
    void roundOff();
};

}  // namespace gb
