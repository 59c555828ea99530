#pragma once
// A running helper for tests: its queue on a thread of its own, the
// in-memory MIDI system, a store of IDs, its log lines, and an app that
// talks to it over a real socket.

#include "BellekMidi.h"
#include "cekirdek/Yardimci.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

using namespace std::chrono_literals;
using oka::yardimci::Baytlar;

// Polls `kosul` until it holds or `sure` passes.
bool bekle(std::function<bool()> const& kosul, std::chrono::milliseconds sure = 2s);

// The app's end of the link: blocking socket, frames read with a deadline.
class Uygulama {
public:
    // A small `alimTamponu` keeps the kernel from buffering much for an app that does not read.
    explicit Uygulama(uint16_t kapi, int alimTamponu = 0);
    ~Uygulama();
    bool bagli() const { return fd_ >= 0; }
    void gonder(Baytlar const& b);
    // The next whole frame (length, type, body) or nothing within `sure`.
    std::optional<Baytlar> cerceve(std::chrono::milliseconds sure = 2s);
    // True when the helper closed the connection within `sure`; unread frames are discarded.
    bool kapandi(std::chrono::milliseconds sure = 2s);

private:
    bool oku(size_t n, std::chrono::milliseconds sure);
    int fd_ = -1;
    Baytlar tampon_;
};

class YardimciDuzeni : public ::testing::Test {
protected:
    YardimciDuzeni();
    ~YardimciDuzeni() override;

    // Starts the helper (on an ephemeral port unless told); false when the MIDI client could not be created.
    bool baslat(std::string portAdi = "OKA", uint16_t kapi = 0);
    // Runs `f` on the helper's queue and waits for it.
    template <class F> auto qda(F f) {
        std::packaged_task<decltype(f())()> is(std::move(f));
        auto sonuc = is.get_future();
        asio::post(q_, [&is] { is(); });
        return sonuc.get();
    }
    void bosalt() {
        qda([] { return 0; });
    }
    uint16_t kapi() {
        return qda([this] { return yardimci_->dinlenenKapi(); });
    }
    // Ports open, an app connected whose hello has been answered.
    std::unique_ptr<Uygulama> uygulamaBagla();

    std::vector<std::string> satirlar() const;
    bool satirBekle(std::string const& parca, std::chrono::milliseconds sure = 2s) const;
    int say(std::string const& parca) const;

    BellekMidi midi;
    std::map<std::string, std::string> depo; // what the ID store holds, as text
    std::optional<int> cikisDurumu;          // the exit the helper asked for
    std::shared_ptr<oka::yardimci::Yardimci> yardimci_;

private:
    asio::io_context q_;
    std::thread is_;
    mutable std::mutex kilit_;
    std::vector<std::string> satirlar_;
};
