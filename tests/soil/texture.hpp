#pragma once
// Texture vectors for the soil tests: clay, silt, sand and gravel fractions.

#include "state/tables.hpp"

namespace soilcolumn {

inline TextureVector texture_of(float clay, float silt, float sand, float gravel)
{
    TextureVector t;
    t(1) = clay;
    t(2) = silt;
    t(3) = sand;
    t(4) = gravel;
    return t;
}

// Gravel makes up the rest.
inline TextureVector texture_of(float clay, float silt, float sand)
{
    return texture_of(clay, silt, sand, 1.0f - clay - silt - sand);
}

}  // namespace soilcolumn
