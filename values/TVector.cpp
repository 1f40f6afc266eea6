#include "values/TVector.h"

#include <cmath>
#include <limits>

namespace gb {

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;
constexpr double kRadiansPerDegree = 0.017453292519943295;

// The cell a coordinate belongs to: add 0.5 and truncate toward zero. Coordinates beyond the
// int range give its ends and NaN gives 0, so a wild value never causes undefined behaviour.
int cellOf(float coordinate) {
    const double shifted = static_cast<double>(coordinate) + 0.5;
    if (std::isnan(shifted)) {
        return 0;
    }
    if (shifted >= static_cast<double>(std::numeric_limits<int>::max())) {
        return std::numeric_limits<int>::max();
    }
    if (shifted <= static_cast<double>(std::numeric_limits<int>::min())) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(shifted);
}

}  // namespace

VectorRef TVector::create(float x, float y) {
    auto vector = std::make_shared<TVector>();
    vector->setXY(x, y);
    return vector;
}

VectorRef TVector::copy() const {
    return std::make_shared<TVector>(x, y);
}

void TVector::set(const TVector& other) {
    x = other.x;
    y = other.y;
}

void TVector::setXY(float newX, float newY) {
    x = newX;
    y = newY;
}

void TVector::add(const TVector& other) {
    x += other.x;
    y += other.y;
}

void TVector::subtract(const TVector& other) {
    x -= other.x;
    y -= other.y;
}

void TVector::divide(float s) {
    x /= s;
    y /= s;
}

void TVector::multiply(float s) {
    x *= s;
    y *= s;
}

void TVector::multiplyBy(const TVector& other) {
    x *= other.x;
    y *= other.y;
}

double TVector::angle() const {
    return std::atan2(-static_cast<double>(y), static_cast<double>(x)) * kDegreesPerRadian;
}

void TVector::rotate(double degrees) {
    const double a = angle();
    const double r = length();
    const double turned = (a + degrees) * kRadiansPerDegree;
    x = static_cast<float>(std::cos(turned) * r);
    y = static_cast<float>(-std::sin(turned) * r);
}

double TVector::length() const {
    const auto dx = static_cast<double>(x);
    const auto dy = static_cast<double>(y);
    return std::sqrt(dx * dx + dy * dy);
}

bool TVector::insideBounds(const TVector& size) const {
    const int cx = roundX();
    const int cy = roundY();
    return cx >= 0 && cy >= 0 && static_cast<float>(cx) < size.x && static_cast<float>(cy) < size.y;
}

int TVector::roundX() const {
    return cellOf(x);
}

int TVector::roundY() const {
    return cellOf(y);
}

void TVector::roundOff() {
    const int cx = roundX();
    const int cy = roundY();
    x = static_cast<float>(cx);
    y = static_cast<float>(cy);
}

}  // namespace gb
