// oka-midi-yardimci: reads its configuration, creates the one helper and runs
// its queue on the main thread until SIGTERM.

#include "cekirdek/Yardimci.h"
#include "platform/Platform.h"

#include <csignal>

extern char** environ;

using namespace oka::yardimci;

int main() {
    std::map<std::string, std::string> ORTAM;
    for (char** e = environ; *e; ++e) {
        std::string const d(*e);
        auto const esit = d.find('=');
        if (esit != std::string::npos)
            ORTAM.emplace(d.substr(0, esit), d.substr(esit + 1));
    }
    Ayarlar const ayarlar = ayarlariOku(ORTAM);
    std::signal(SIGPIPE, SIG_IGN);

    asio::io_context q(1);
    auto midi = platformMidiSistemi();
    int cikisDurumu = 0;
    auto yardimci = std::make_shared<Yardimci>(
        q, *midi, ayarlar, [&ORTAM](std::string const& alan) { return platformKimlikDeposu(alan, ORTAM); },
        [&](int durum) {
            cikisDurumu = durum;
            q.stop();
        });
    if (!yardimci->baslat())
        return 2;

    asio::signal_set sinyal(q, SIGTERM);
    sinyal.async_wait([&](asio::error_code e, int) {
        if (!e)
            yardimci->sigterm();
    });
    q.run();
    // The ports are gone; closing the client before the queue's last handlers lets the helper go.
    midi.reset();
    return cikisDurumu;
}
