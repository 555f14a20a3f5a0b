#pragma once

#include <QStringView>
#include <functional>
#include <vector>

// The order of a header click: QString::compare(a, b, Qt::CaseInsensitive), stable. The
// texts are kept case-folded in one block, so a million rows sort without a million strings.
class ListingOrder {
public:
    explicit ListingOrder(size_t rows = 0);

    // The text of row `row`; a row never given compares as empty.
    void set(size_t row, QStringView text);
    // A row more, after the others.
    void add(QStringView text);
    // The rows in order, ties in the order of their positions; empty when `wanted` turned
    // false meanwhile.
    std::vector<size_t> sorted(bool descending, const std::function<bool()> &wanted) const;

    // Below, equal to or above zero as QString::compare with Qt::CaseInsensitive.
    static int compare(QStringView a, QStringView b);

private:
    // Each code point folded, then written back as UTF-16: unpaired halves of a pair read as
    // U+FFFD, as the comparison reads them.
    static void fold(QStringView text, std::vector<char16_t> &out);
    static int compareFolded(const char16_t *a, size_t aLength, const char16_t *b, size_t bLength);

    std::vector<char16_t> text_;
    std::vector<size_t> start_;
    std::vector<size_t> length_;
};
