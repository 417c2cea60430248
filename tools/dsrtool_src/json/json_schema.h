// The JSON Schema (draft 2020-12) of the file form of records, made from
// the field models that dump and build use, with each member's meaning.
#pragma once

#include "tools/dsrtool_src/json/json_codec.h"

namespace dsrtool {

// The schema: one object with one key naming a record kind (the root
// element's name), each kind's record under "$defs".
Json RecordJsonSchema();

}  // namespace dsrtool
