#import "OKABridgeVST3Gorunum.h"
#ifdef GNUSTEP
#include "uyum_gnustep.h"
#endif

#import <objc/runtime.h>

#include <optional>
#include <string>

namespace {

NSString *nsMetin(std::string const &metin) {
    return [[[NSString alloc] initWithBytes:metin.data() length:metin.size()
                                   encoding:NSUTF8StringEncoding] autorelease];
}

std::string metin(NSString *s) {
    char const *u = [s UTF8String];
    return u ? u : "";
}

NSColor *renk(oka::Renk r) {
    return [NSColor colorWithSRGBRed:r.r / 255.0 green:r.g / 255.0 blue:r.b / 255.0 alpha:r.a];
}

NSRect dikdortgen(oka::Kutu k) { return NSMakeRect(k.x, k.y, k.w, k.h); }

// Dark Aqua came with macOS 10.14; older systems keep their own look around
// the panel's dark card. GNUstep's compiler has no @available.
void koyuGorunus(NSView *v) {
#ifdef GNUSTEP
    [v setAppearance:[NSAppearance appearanceNamed:NSAppearanceNameDarkAqua]];
#else
    if (@available(macOS 10.14, *))
        [v setAppearance:[NSAppearance appearanceNamed:NSAppearanceNameDarkAqua]];
#endif
}

NSFont *yaziTipi(double boyut, oka::Kalinlik k) {
    NSFontWeight const agirliklar[] = {NSFontWeightMedium, NSFontWeightSemibold, NSFontWeightBold,
                                       NSFontWeightHeavy};
    return [NSFont systemFontOfSize:boyut weight:agirliklar[static_cast<int>(k)]];
}

// Draws one text into its box; an over-long text ends in an ellipsis.
void yaz(oka::MetinSatiri const &s) {
    NSMutableParagraphStyle *paragraf = [[[NSParagraphStyle defaultParagraphStyle] mutableCopy] autorelease];
    [paragraf setAlignment:s.hiza == oka::Hiza::sag ? NSTextAlignmentRight : NSTextAlignmentLeft];
    [paragraf setLineBreakMode:NSLineBreakByTruncatingTail];
    NSDictionary *nitelikler =
        [NSDictionary dictionaryWithObjectsAndKeys:yaziTipi(s.boyut, s.kalinlik), NSFontAttributeName,
                                                   renk(s.renk), NSForegroundColorAttributeName, paragraf,
                                                   NSParagraphStyleAttributeName, nil];
    [nsMetin(s.metin) drawInRect:dikdortgen(s.kutu) withAttributes:nitelikler];
}

NSAttributedString *baslikParcasi(oka::MetinSatiri const &s) {
    NSDictionary *nitelikler =
        [NSDictionary dictionaryWithObjectsAndKeys:yaziTipi(s.boyut, s.kalinlik), NSFontAttributeName,
                                                   renk(s.renk), NSForegroundColorAttributeName, nil];
    return [[[NSAttributedString alloc] initWithString:nsMetin(s.metin) attributes:nitelikler] autorelease];
}

double cizilenGenislik(std::string const &s, double boyut, oka::Kalinlik k) {
    NSDictionary *nitelikler = [NSDictionary dictionaryWithObject:yaziTipi(boyut, k)
                                                           forKey:NSFontAttributeName];
    return [nsMetin(s) sizeWithAttributes:nitelikler].width;
}

NSNumber *sayi(double d) { return [NSNumber numberWithDouble:d]; }

} // namespace

@implementation OKABridgeVST3Gorunum

- (void)zamanlayiciBaslat {
    // The timer holds the view until it is stopped.
    mZamanlayici = [[NSTimer scheduledTimerWithTimeInterval:oka::PanelModeli::ZAMANLAYICI_ARALIGI
                                                     target:self
                                                   selector:@selector(zamanlayiciTikladi:)
                                                   userInfo:nil
                                                    repeats:YES] retain];
}

- (void)zamanlayiciDurdur {
    [mZamanlayici invalidate];
    [mZamanlayici release];
    mZamanlayici = nil;
}

- (id)initWithOku:(oka::DurumOkuyucu const &)oku yaz:(oka::AdYazici const &)yaz {
    self = [super initWithFrame:NSMakeRect(0, 0, oka::PanelModeli::GENISLIK, oka::PanelModeli::YUKSEKLIK)];
    if (self) {
        mModel = std::make_unique<oka::PanelModeli>(oku, yaz, false);
        self = [self kur];
    }
    return self;
}

- (id)initWithAudioUnit:(oka::AudioBirimi)au {
    self = [super initWithFrame:NSMakeRect(0, 0, oka::PanelModeli::GENISLIK, oka::PanelModeli::YUKSEKLIK)];
    if (self) {
        mModel = std::make_unique<oka::PanelModeli>(oka::auOkuyucu(au), oka::auYazici(au), true);
        self = [self kur];
    }
    return self;
}

- (id)kur {
    koyuGorunus(self);
    mAdAlani = [[NSTextField alloc] initWithFrame:dikdortgen(oka::PanelModeli::AD_ALANI)];
    [mAdAlani setFont:yaziTipi(13, oka::Kalinlik::kalin)];
    [mAdAlani setTextColor:renk(oka::renkler::degerBeyaz)];
    [mAdAlani setDrawsBackground:YES];
    [mAdAlani setBackgroundColor:renk(oka::renkler::alanZemini)];
    [mAdAlani setBordered:YES];
    [mAdAlani setBezelStyle:NSTextFieldRoundedBezel];
    [mAdAlani setTarget:self];
    [mAdAlani setAction:@selector(adGirildi:)];
    [mAdAlani setDelegate:self];
    [mAdAlani setPlaceholderString:nsMetin(mModel->yerTutucu())];
    [self addSubview:mAdAlani];
    [self durumuOku];
    [self zamanlayiciBaslat];
    return self;
}

- (void)kopar {
    [self zamanlayiciDurdur];
    mModel->kopar();
    [self removeFromSuperview];
}

- (void)viewDidMoveToWindow {
    [super viewDidMoveToWindow];
    switch (mModel->pencereDegisti([self window] != nil, mZamanlayici != nil)) {
    case oka::PanelModeli::Zamanlayici::baslat:
        [self zamanlayiciBaslat];
        break;
    case oka::PanelModeli::Zamanlayici::durdur:
        [self zamanlayiciDurdur];
        break;
    case oka::PanelModeli::Zamanlayici::dokunma:
        break;
    }
}

- (void)durumuOku {
    // With no window both are nil, and the field is left alone as well.
    BOOL const duzenleniyor = [[self window] firstResponder] == (id)[mAdAlani currentEditor];
    oka::PanelModeli::AlanIstegi const istek = mModel->durumuOku(duzenleniyor, metin([mAdAlani stringValue]));
    if (istek.yenidenCiz)
        [self setNeedsDisplay:YES];
    if (istek.metin)
        [mAdAlani setStringValue:nsMetin(*istek.metin)];
    if (istek.yerTutucu)
        [mAdAlani setPlaceholderString:nsMetin(*istek.yerTutucu)];
}

- (void)zamanlayiciTikladi:(NSTimer *)zamanlayici {
    (void)zamanlayici;
    [self durumuOku];
    mModel->tikla();
    [self setNeedsDisplay:YES];
}

- (void)adGirildi:(id)gonderen {
    (void)gonderen;
    if (mModel->adGirildi(metin([mAdAlani stringValue]))) {
        [self durumuOku];
        [self setNeedsDisplay:YES];
    }
}

- (void)controlTextDidBeginEditing:(NSNotification *)bildirim {
    (void)bildirim;
    mModel->duzenlemeBasladi(metin([mAdAlani stringValue]));
}

- (BOOL)control:(NSControl *)denetim textView:(NSTextView *)metinGorunumu doCommandBySelector:(SEL)komut {
    (void)denetim;
    (void)metinGorunumu;
    if (!sel_isEqual(komut, @selector(cancelOperation:)))
        return NO; // Return and the rest keep their usual behaviour
    [mAdAlani setStringValue:nsMetin(mModel->iptalEt())];
    [[self window] makeFirstResponder:self];
    return YES;
}

- (void)controlTextDidEndEditing:(NSNotification *)bildirim {
    (void)bildirim;
    std::optional<std::string> const geri = mModel->duzenlemeBitti();
    if (geri)
        [mAdAlani setStringValue:nsMetin(*geri)];
    else
        [self adGirildi:nil];
}

- (BOOL)isFlipped {
    return NO;
}

- (BOOL)acceptsFirstResponder {
    return YES;
}

- (void)mouseDown:(NSEvent *)olay {
    (void)olay;
    [[self window] makeFirstResponder:self];
}

- (void)drawRect:(NSRect)alan {
    (void)alan;
    oka::PanelCizimi const c = mModel->cizim();
    [renk(oka::renkler::pencere) setFill];
    NSRectFill([self bounds]);

    NSBezierPath *kart = [NSBezierPath bezierPathWithRoundedRect:dikdortgen(c.kart) xRadius:18 yRadius:18];
    NSGradient *gecis = [[NSGradient alloc] initWithStartingColor:renk(oka::renkler::kartUst)
                                                      endingColor:renk(oka::renkler::kartAlt)];
    [gecis drawInBezierPath:kart angle:-90];
    [gecis release];
    [renk(oka::renkler::kartCizgi) setStroke];
    [kart setLineWidth:1];
    [kart stroke];

    NSMutableAttributedString *baslik = [[NSMutableAttributedString alloc] init];
    [baslik appendAttributedString:baslikParcasi(c.baslikIlk)];
    [baslik appendAttributedString:baslikParcasi(c.baslikSon)];
    [baslik drawInRect:dikdortgen(c.baslikIlk.kutu)];
    [baslik release];

    for (oka::MetinSatiri const &s : c.metinler)
        yaz(s);

    [renk(oka::renkler::olcerIzi) setFill];
    [[NSBezierPath bezierPathWithRoundedRect:dikdortgen(c.olcerIzi) xRadius:2 yRadius:2] fill];
    if (c.olcerCubugu) {
        [renk(c.cubukRengi) setFill];
        [[NSBezierPath bezierPathWithRoundedRect:dikdortgen(*c.olcerCubugu) xRadius:2 yRadius:2] fill];
    }
}

- (NSMutableArray *)metinEnvanteri {
    NSMutableArray *satirlar = [NSMutableArray array];
    NSRect const a = [mAdAlani frame];
    for (auto const &e : mModel->metinEnvanteri(
             metin([mAdAlani stringValue]), oka::Kutu{a.origin.x, a.origin.y, a.size.width, a.size.height},
             &cizilenGenislik)) {
        oka::MetinSatiri const &s = e.satir;
        NSMutableDictionary *d = [NSMutableDictionary dictionary];
        [d setObject:nsMetin(s.metin) forKey:@"metin"];
        [d setObject:sayi(s.kutu.x) forKey:@"x"];
        [d setObject:sayi(s.kutu.y) forKey:@"y"];
        [d setObject:sayi(s.kutu.w) forKey:@"w"];
        [d setObject:sayi(s.kutu.h) forKey:@"h"];
        [d setObject:sayi(e.cizilen) forKey:@"cizilen"];
        [d setObject:[NSNumber numberWithInt:static_cast<int>(s.hiza)] forKey:@"hiza"];
        [d setObject:nsMetin(oka::renkHex(s.renk)) forKey:@"renk"];
        [satirlar addObject:d];
    }
    return satirlar;
}

- (void)dealloc {
    [self zamanlayiciDurdur];
    [mAdAlani release];
    [super dealloc];
}

@end
