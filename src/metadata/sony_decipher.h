// Sony's small rules that tests and the preview code share with the decoder.
#pragma once
#include <cstdint>
#include <string>

namespace lv {

// The camera stores some blocks with every byte b < 249 replaced by b^3 mod 249; this undoes it.
uint8_t sonyDecipher(uint8_t enciphered);
// Make "SONY", or a Hasselblad body Sony builds (Lunar, Stellar, HV).
bool sonyAccepts(const std::string& make, const std::string& model);
// Compacts whose focus-mode and AF-area tags mean what they say; every other model is trusted.
bool sonyTrustsFocusTags(const std::string& model);

}  // namespace lv
