#pragma once
// Fixed-size tables of the model state with the model's own 1-based indexing.
//
// Compartments c = 1..100 are stored fastest, so a (compartment, substance)
// table keeps column s as 100 consecutive values starting 100 after column
// s-1. Species tables carry water in column 0 and the substances in 1..4.

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdint>
#include <string_view>
#include <utility>

namespace soilcolumn {

inline constexpr int max_compartments = 100;
inline constexpr int max_substances = 4;
inline constexpr int max_soil_types = 100;
inline constexpr int max_observation_depths = 5;
inline constexpr int texture_class_count = 4;

// Tag for a work table whose every element is written before it is read:
// it is left unset instead of being zeroed at construction.
struct LeftUnset {};
inline constexpr LeftUnset left_unset{};

// One value per compartment, c = 1..100.
template <typename T>
class CompartmentArray {
public:
    CompartmentArray() : values_{} {}
    explicit CompartmentArray(LeftUnset) {}

    T& operator()(int c)
    {
        assert(c >= 1 && c <= max_compartments);
        return values_[static_cast<std::size_t>(c - 1)];
    }
    const T& operator()(int c) const
    {
        assert(c >= 1 && c <= max_compartments);
        return values_[static_cast<std::size_t>(c - 1)];
    }
    T* data() { return values_.data(); }
    const T* data() const { return values_.data(); }

private:
    std::array<T, max_compartments> values_;
};

using CompartmentColumn = CompartmentArray<float>;
using CompartmentCodes = CompartmentArray<std::int32_t>;

// Compartment by column table, columns FirstColumn..LastColumn,
// compartment-fastest.
template <int FirstColumn, int LastColumn>
class CompartmentTable {
public:
    static constexpr int column_count = LastColumn - FirstColumn + 1;

    CompartmentTable() : values_{} {}
    explicit CompartmentTable(LeftUnset) {}

    float& operator()(int c, int k)
    {
        assert(c >= 1 && c <= max_compartments);
        assert(k >= FirstColumn && k <= LastColumn);
        return values_[index(c, k)];
    }
    const float& operator()(int c, int k) const
    {
        assert(c >= 1 && c <= max_compartments);
        assert(k >= FirstColumn && k <= LastColumn);
        return values_[index(c, k)];
    }
    float* data() { return values_.data(); }
    const float* data() const { return values_.data(); }

private:
    static std::size_t index(int c, int k)
    {
        return static_cast<std::size_t>((k - FirstColumn) * max_compartments + (c - 1));
    }
    std::array<float, static_cast<std::size_t>(column_count * max_compartments)> values_;
};

// (c, s) with s = 1..4.
using SubstanceTable = CompartmentTable<1, max_substances>;
// (c, k) with k = 0 water, k = 1..4 substances.
using SpeciesTable = CompartmentTable<0, max_substances>;
// (c, j) with j = 1..4: clay, silt, sand, gravel.
using TextureTable = CompartmentTable<1, texture_class_count>;

// One value per substance (or per texture class, observation depth),
// 1-based.
template <typename T, int Count>
class IndexedArray {
public:
    IndexedArray() = default;
    // Elements that are work tables themselves, each left unset.
    explicit IndexedArray(LeftUnset) : IndexedArray(left_unset, std::make_index_sequence<Count>{}) {}

    T& operator()(int i)
    {
        assert(i >= 1 && i <= Count);
        return values_[static_cast<std::size_t>(i - 1)];
    }
    const T& operator()(int i) const
    {
        assert(i >= 1 && i <= Count);
        return values_[static_cast<std::size_t>(i - 1)];
    }

private:
    template <std::size_t... I>
    IndexedArray(LeftUnset, std::index_sequence<I...>) : values_{(static_cast<void>(I), T(left_unset))...}
    {
    }

    std::array<T, Count> values_{};
};

using SubstanceArray = IndexedArray<float, max_substances>;
using SubstanceTotals = IndexedArray<double, max_substances>;
using ObservationDepths = IndexedArray<float, max_observation_depths>;

// The texture vector handed to the soil parameterisation: element 1 clay,
// 2 silt, 3 sand, 4 gravel (mass fractions).
using TextureVector = IndexedArray<float, texture_class_count>;

// A blank-padded text of fixed length, as the input files give them.
template <int Length>
struct FixedText {
    FixedText() { chars.fill(' '); }
    std::string_view view() const { return {chars.data(), chars.size()}; }
    // Keeps the first Length characters of text, blank-padded.
    void assign(std::string_view text)
    {
        chars.fill(' ');
        text.copy(chars.data(), std::min<std::size_t>(text.size(), chars.size()));
    }
    std::array<char, Length> chars;
};

}  // namespace soilcolumn
