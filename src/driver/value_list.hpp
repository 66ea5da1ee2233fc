#pragma once
// A value list of a formatted write whose length depends on the substance
// count or the number of observation depths; fixed capacity, no allocation.

#include <array>
#include <cassert>
#include <cstddef>
#include <span>
#include <utility>

#include "records/format_value.hpp"

namespace soilcolumn {

template <std::size_t Capacity>
class ValueList {
public:
    void add(records::FormatValue value)
    {
        assert(size_ < Capacity);
        items_[size_++] = value;
    }
    std::span<const records::FormatValue> items() const { return {items_.data(), size_}; }

private:
    template <std::size_t... I>
    static std::array<records::FormatValue, Capacity> zeros(std::index_sequence<I...>)
    {
        return {{((void)I, records::FormatValue(0.0f))...}};
    }

    std::array<records::FormatValue, Capacity> items_ = zeros(std::make_index_sequence<Capacity>{});
    std::size_t size_ = 0;
};

}  // namespace soilcolumn
