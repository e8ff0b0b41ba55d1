#pragma once

namespace zvisa {

// What a viFindRsrc with a find list hands back a handle to. The call itself
// returns the first match and the count, so the list holds nothing to read;
// its handle is closed like any other.
class FindList {};

}  // namespace zvisa
