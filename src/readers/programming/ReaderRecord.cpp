#include "ReaderRecord.hpp"

#include "ReaderForm.hpp"

#include "core/Numbers.hpp"
#include "core/TextCodec.hpp"

namespace sentinex {

std::string ReaderRecord::storedLocation(const std::string& typed) {
    // Eight characters, not bytes: an accented letter is one character however it is encoded.
    std::string s = firstCharacters(typed, 8);
    s.append(8 - characterCount(s), ' ');
    return s;
}

ReaderRecord ReaderRecord::fromForm(const ReaderForm& form) {
    ReaderRecord r;
    r.TipoLettore = form.type;
    r.SituatoPresso = storedLocation(form.location);
    r.CodiceImpianto = form.siteCode;
    r.Ritardo = wholeValue(form.opening);
    for (int i = 0; i < 4; ++i) {
        r.PosCarta[i] = wholeValue(form.cardPos[i]);
    }
    for (int i = 0; i < 6; ++i) {
        r.PosCodice[i] = wholeValue(form.codePos[i]);
    }
    r.NumeroLoop = wholeValue(form.loop);
    r.NumeroIndirizzo = wholeValue(form.address);
    r.Stato = form.state;
    r.RiscriviRam = form.riscriviRam;
    r.TestInput = form.testInput;
    r.FasceOrarie = form.fasceOrarie;
    return r;
}

ReaderForm ReaderRecord::toForm() const {
    ReaderForm f;
    f.type = TipoLettore;
    f.location = SituatoPresso;
    f.siteCode = CodiceImpianto;
    f.opening = std::to_string(Ritardo);
    for (int i = 0; i < 4; ++i) {
        f.cardPos[i] = std::to_string(PosCarta[i]);
    }
    for (int i = 0; i < 6; ++i) {
        f.codePos[i] = std::to_string(PosCodice[i]);
    }
    f.loop = std::to_string(NumeroLoop);
    f.address = std::to_string(NumeroIndirizzo);
    f.state = Stato;
    f.riscriviRam = RiscriviRam;
    f.testInput = TestInput;
    f.fasceOrarie = FasceOrarie;
    return f;
}

} // namespace sentinex
