#pragma once
// What every plug-in test suite needs: catchers for the event and error lines,
// waiting with a deadline, and the machine-wide lock on the product ports.

#include "platform/SistemGunlugu.h"

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

using namespace std::chrono_literals;

// Holds a machine-wide lock on a set of ports while it lives. CTest's resource
// locks order the tests of one run; this also orders runs in other build trees
// on the same machine, which would otherwise take each other's ports.
class KapiKilidi {
public:
    explicit KapiKilidi(std::string const& ad);
    ~KapiKilidi();
    KapiKilidi(KapiKilidi const&) = delete;
    KapiKilidi& operator=(KapiKilidi const&) = delete;

private:
    int fd_ = -1;
};

// Polls `kosul` until it holds or `sure` passes; true when it held.
bool bekleKadar(std::function<bool()> const& kosul, std::chrono::milliseconds sure = 10s);

// Every event line while it lives.
class OlaySatirlari {
public:
    OlaySatirlari();
    ~OlaySatirlari();
    // Lines of instance `ornek` in order, without the "[ornek] " prefix.
    std::vector<std::string> ornegin(std::string const& ornek) const;
    // Lines of instance `ornek`, or with one argument of any instance, that contain `parca`.
    int say(std::string const& ornek, std::string const& parca) const;
    int say(std::string const& parca) const { return say("", parca); }
    bool bekle(std::string const& ornek, std::string const& parca,
               std::chrono::milliseconds sure = 10s) const;
};

// Error lines that would reach the system log.
class HataSatirlari : public oka::SistemGunluguAlicisi {
public:
    HataSatirlari();
    ~HataSatirlari() override;
    bool hataEtkin() override { return etkin; }
    void hataYaz(std::string_view satir) override;
    std::vector<std::string> hepsi() const;

    bool etkin = true; // as the system log's error level

private:
    mutable std::mutex kilit_;
    std::vector<std::string> satirlar_;
};
