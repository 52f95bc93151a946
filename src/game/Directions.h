// Facings and line changes, shared by the hero and the rocks.
#pragma once

namespace morva {

enum class Facing { Right, Left };  // towards +x, towards -x

// Up is to the line above, the smaller y.
enum class LineMove { None, Up, Down };

inline double Ahead(Facing facing) {
    return facing == Facing::Right ? 1.0 : -1.0;
}

}  // namespace morva
