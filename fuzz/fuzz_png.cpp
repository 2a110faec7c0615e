#include "fuzz/fuzz_decoder.h"

JOLLIX_FUZZ_DECODER(decodePng)
