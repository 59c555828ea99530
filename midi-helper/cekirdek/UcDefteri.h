#pragma once
// What the helper needs of endpoints on a MIDI system that has no references
// or unique IDs of its own (JACK): a reference for each port name, kept only
// while the name is listed, and unique IDs kept by this process alone, so that
// nothing another program or another server writes can change them.

#include "MidiSistemi.h"

#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace oka::yardimci {

class UcDefteri {
public:
    // [q] The reference of a port name; the same one while the name stays listed.
    MidiRef ref(std::string const& ad, bool kaynakMi);
    // [q] The name behind a reference; nullptr when there is none.
    std::string const* ad(MidiRef uc) const;
    // [q] The references of the ports of one kind listed now, in order; other names of that kind are
    // forgotten, except ports with an ID (the helper's own, until `unut`).
    std::vector<MidiRef> listele(bool kaynakMi, std::vector<std::string> const& adlar);
    // [q] Forgets a port that is gone.
    void unut(MidiRef uc);

    // [q] A new port's ID, as the system would give one: random, non-zero, no other port's.
    int32_t kimlikVer(MidiRef uc);
    std::optional<int32_t> kimlik(MidiRef uc) const;
    // [q] False when another port has it.
    bool kimlikAyarla(MidiRef uc, int32_t kimlik);

private:
    struct Uc {
        std::string ad;
        bool kaynakMi;
        std::optional<int32_t> kimlik;
    };
    std::map<MidiRef, Uc> uclar_;
    std::map<std::pair<bool, std::string>, MidiRef> adlar_;
    MidiRef sonRef_ = 0;
    std::mt19937 rastgele_{std::random_device{}()};
};

} // namespace oka::yardimci
