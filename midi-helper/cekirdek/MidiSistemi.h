#pragma once
// What the helper asks of the system's MIDI services: one client, one virtual
// source and destination, the endpoints of other processes, unique IDs, and
// sending one event list. Statuses are the system's: 0 is success.

#include "Ump.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace oka::yardimci {

using MidiRef = uint32_t; // 0 is none

// Notification message IDs the helper acts on.
inline constexpr int BILDIRIM_KURULUM_DEGISTI = 1;
inline constexpr int BILDIRIM_NESNE_EKLENDI = 2;
inline constexpr int BILDIRIM_NESNE_KALDIRILDI = 3;
// The MIDI system itself went away (a stopped JACK server); not a message ID of any system.
inline constexpr int BILDIRIM_SISTEM_GITTI = -1;

class MidiSistemi {
public:
    // Called on the system's own threads.
    using BildirimIsleyici = std::function<void(int mesajKimligi)>;
    using AlimIsleyici = std::function<void(OlayListesi const&)>;

    virtual ~MidiSistemi() = default;

    // [ana] Creates the one client; `bildirim` may run at once and on any thread afterwards.
    virtual int32_t istemciOlustur(std::string const& ad, BildirimIsleyici bildirim, MidiRef& istemci) = 0;
    // [q] Virtual endpoints of the MIDI 1.0 protocol; `alim` runs on a system thread.
    virtual int32_t hedefOlustur(MidiRef istemci, std::string const& ad, AlimIsleyici alim, MidiRef& hedef) = 0;
    virtual int32_t kaynakOlustur(MidiRef istemci, std::string const& ad, MidiRef& kaynak) = 0;
    // [q] What was sent through a source before its disposal still reaches its readers.
    virtual int32_t ucAt(MidiRef uc) = 0;

    // [q] Every source and destination in the system, the helper's own included.
    virtual size_t kaynakSayisi() = 0;
    virtual MidiRef kaynak(size_t sira) = 0;
    virtual size_t hedefSayisi() = 0;
    virtual MidiRef hedef(size_t sira) = 0;
    virtual std::optional<std::string> ad(MidiRef uc) = 0;
    virtual std::optional<std::string> gorunenAd(MidiRef uc) = 0;

    // [q] Unique IDs; a refused ID (already taken, say) gives a non-zero status.
    virtual std::optional<int32_t> benzersizKimlik(MidiRef uc) = 0;
    virtual int32_t benzersizKimlikAyarla(MidiRef uc, int32_t kimlik) = 0;

    // [q] One event list of one packet (at most 64 words, time stamp now) from the helper's source. A non-zero
    // status means it will not reach the readers. `birakma`: the release of a held note, which a system that
    // queues keeps room for.
    virtual int32_t gonder(MidiRef kaynak, uint32_t const* kelimeler, size_t sayi, bool birakma) = 0;
};

// Where the ports' unique IDs are kept between runs.
class KimlikDeposu {
public:
    virtual ~KimlikDeposu() = default;
    // [q] The stored value when there is one and it is an integer.
    virtual std::optional<int64_t> tamsayi(std::string const& anahtar) = 0;
    virtual void tamsayiYaz(std::string const& anahtar, int64_t deger) = 0;
};

} // namespace oka::yardimci
