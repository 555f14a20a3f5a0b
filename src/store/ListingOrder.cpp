#include "store/ListingOrder.h"

#include <QChar>
#include <algorithm>
#include <atomic>
#include <thread>

namespace {
struct Stopped {};

// UTF-16 units compared in code point order: the halves of a pair come after U+FFFF.
inline int codePointOrder(char16_t u)
{
    return u >= 0xd800 ? (u >= 0xe000 ? u - 0x800 : u + 0x2000) : u;
}
} // namespace

ListingOrder::ListingOrder(size_t rows) : start_(rows, 0), length_(rows, 0)
{
    // Room for names of a usual length: a block of millions that grew by doubling would be
    // copied, and fresh memory touched, several times over.
    text_.reserve(rows * 24);
}

void ListingOrder::fold(QStringView text, std::vector<char16_t> &out)
{
    const char16_t *p = text.utf16();
    const char16_t *end = p + text.size();
    while (p < end) {
        char32_t c = *p++;
        if (c < 0x80) { // most names are plain ASCII: folded here, without the tables
            out.push_back(char16_t(c >= 'A' && c <= 'Z' ? c + 32 : c));
            continue;
        }
        if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p))
            c = QChar::surrogateToUcs4(char16_t(c), *p++);
        else if (QChar::isSurrogate(c))
            c = QChar::ReplacementCharacter;
        c = QChar::toCaseFolded(c);
        if (QChar::requiresSurrogates(c)) {
            out.push_back(QChar::highSurrogate(c));
            out.push_back(QChar::lowSurrogate(c));
        } else {
            out.push_back(char16_t(c));
        }
    }
}

int ListingOrder::compareFolded(const char16_t *a, size_t aLength, const char16_t *b, size_t bLength)
{
    const size_t n = std::min(aLength, bLength);
    for (size_t i = 0; i < n; ++i)
        if (a[i] != b[i])
            return codePointOrder(a[i]) - codePointOrder(b[i]);
    return aLength == bLength ? 0 : (aLength < bLength ? -1 : 1);
}

int ListingOrder::compare(QStringView a, QStringView b)
{
    std::vector<char16_t> fa, fb;
    fold(a, fa);
    fold(b, fb);
    return compareFolded(fa.data(), fa.size(), fb.data(), fb.size());
}

void ListingOrder::set(size_t row, QStringView text)
{
    start_[row] = text_.size();
    fold(text, text_);
    length_[row] = text_.size() - start_[row];
}

void ListingOrder::add(QStringView text)
{
    start_.push_back(0);
    length_.push_back(0);
    set(start_.size() - 1, text);
}

std::vector<size_t> ListingOrder::sorted(bool descending, const std::function<bool()> &wanted) const
{
    std::vector<size_t> order(start_.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    const char16_t *text = text_.data();
    auto before = [&](size_t a, size_t b) {
        const int c = compareFolded(text + start_[a], length_[a], text + start_[b], length_[b]);
        return descending ? c > 0 : c < 0;
    };
    std::atomic<bool> stopped{false};
    // Each half sorts on a thread of its own, then the halves merge: ties keep their order, as
    // the first half holds the earlier positions.
    auto sortPart = [&](std::vector<size_t>::iterator from, std::vector<size_t>::iterator to) {
        size_t compared = 0;
        try {
            std::stable_sort(from, to, [&](size_t a, size_t b) {
                if (++compared % 65536 == 0 && (stopped || !wanted())) {
                    stopped = true;
                    throw Stopped();
                }
                return before(a, b);
            });
        } catch (const Stopped &) {
        }
    };
    const auto middle = order.begin() + std::ptrdiff_t(order.size() / 2);
    if (order.size() < 2048) { // a thread costs more than it saves
        sortPart(order.begin(), order.end());
    } else {
        std::thread first([&] { sortPart(order.begin(), middle); });
        sortPart(middle, order.end());
        first.join();
        if (!stopped && wanted())
            std::inplace_merge(order.begin(), middle, order.end(), before);
    }
    if (stopped || !wanted())
        return {};
    return order;
}
