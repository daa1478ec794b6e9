#include "shell/Catalogue.h"
#include "shell/CMLVEffectProcessAS.h"
#include "shell/CMLVEffectProcessRTAS.h"
#include "presets/PresetFolder.h"
#include <new>

namespace {
// The per-effect factories; each reads the preset-folder choice once for the process it makes.
template <int EffectType> CProcess* NewRealTime() {
    return new (std::nothrow) CMLVEffectProcessRTAS(EffectType, ReadUserFolderChoice());
}
template <int EffectType> CProcess* NewOffline() {
    return new (std::nothrow) CMLVEffectProcessAS(EffectType, ReadUserFolderChoice());
}

#define MLV_RECORD(type, code, longName, base, product, category, attribute)                                 \
    {                                                                                                        \
        type, code, longName, MakeOSType(base), MakeOSType(product), category, attribute,                    \
            &NewRealTime<type>, &NewOffline<type>                                                            \
    }

const CatalogueRecord kRecords[Catalogue::kCount] = {
    MLV_RECORD(5, "AP", "AP - Auto Pan", "APRT", "APSd", 512, 6),
    MLV_RECORD(15, "AW", "AW - Auto Wah", "AWRT", "AWSd", 32, 6),
    MLV_RECORD(20, "BD", "BD - BPM Delay", "BDRT", "BDSd", 16, 6),
    MLV_RECORD(90, "CH", "CH - Chorus", "CHRT", "CHSd", 32, 6),
    MLV_RECORD(35, "CM", "CM - Compressor", "CMRT", "CMSd", 2, 6),
    MLV_RECORD(45, "DT", "DT - Distortion", "DTRT", "DTSd", 64, 2),
    MLV_RECORD(60, "EG", "EG - Expander Gate", "EGRT", "EGSd", 2, 6),
    MLV_RECORD(65, "FL", "FL - Flanger", "FLRT", "FLSd", 32, 6),
    MLV_RECORD(80, "GEG", "GEG - Guitar Graphic EQ", "GERT", "GESd", 1, 6),
    MLV_RECORD(105, "NG", "NG - Noise Gate", "NGRT", "NGSd", 2, 6),
    MLV_RECORD(110, "OD", "OD - Overdrive", "ODRT", "ODSd", 64, 2),
    MLV_RECORD(135, "PH", "PH - Phaser", "PHRT", "PHSd", 32, 6),
    MLV_RECORD(155, "RV", "RV - Reverb", "RVRT", "RVSd", 8, 6),
    MLV_RECORD(180, "TR", "TR - Tremolo", "TRRT", "TRSd", 32, 6),
    MLV_RECORD(10, "AT", "AT - Auto Tuner", "ATRT", "ATSd", 0, 6),
    MLV_RECORD(25, "BLG", "BLG - Guitar Blues Drive", "BLRT", "BLSd", 64, 6),
    MLV_RECORD(30, "CLG", "CLG - Guitar Clean Preamp", "CLRT", "CLSd", 64, 6),
    MLV_RECORD(40, "CPG", "CPG - Guitar Crunch Preamp", "CPRT", "CPSd", 64, 6),
    MLV_RECORD(85, "HGG", "HGG - Guitar HiGain Preamp", "HGRT", "HGSd", 64, 6),
    MLV_RECORD(100, "LC", "LC - Level Control", "LCRT", "LCSd", 0, 6),
    MLV_RECORD(130, "PE", "PE - Parametric EQ", "PERT", "PESd", 1, 6),
    MLV_RECORD(165, "SPG", "SPG - Guitar Speaker Simulator", "SPRT", "SPSd", 1, 6),
    MLV_RECORD(175, "TCG", "TCG - Guitar Tone Control", "TCRT", "TCSd", 1, 6),
    MLV_RECORD(150, "PW", "PW - Pedal Wah", "PWRT", "PWSd", 32, 6),
    MLV_RECORD(70, "FLB", "FLB - Bass Flanger", "FLBR", "FLBd", 32, 6),
    MLV_RECORD(95, "CHB", "CHB - Bass Chorus", "CHBT", "CHBd", 32, 6),
    MLV_RECORD(140, "PHB", "PHB - Bass Phaser", "PHBT", "PHBd", 32, 6),
    MLV_RECORD(50, "DTB", "DTB - Bass Distortion", "DTBT", "DTBd", 64, 2),
    MLV_RECORD(115, "ODB", "ODB - Bass Overdrive", "ODBT", "ODBd", 64, 2),
    MLV_RECORD(75, "GEB", "GEB - Bass Graphic EQ", "GEBT", "GEBd", 1, 6),
    MLV_RECORD(160, "SPB", "SPB - Bass Speaker Simulator", "SPBT", "SPBd", 1, 6),
    MLV_RECORD(170, "TCB", "TCB - Bass Tone Control", "TCBT", "TCBd", 1, 6),
    MLV_RECORD(145, "PRB", "PRB - Bass Preamp", "PRRT", "PRSd", 64, 6),
    MLV_RECORD(55, "EC", "EC - Exciter", "ECRT", "ECSd", 64, 6),
    MLV_RECORD(120, "OT", "OT - Octaver", "OTRT", "OTSd", 4, 6),
    MLV_RECORD(125, "PAG", "PAG - Guitar Power Amp", "PART", "PASd", 64, 6),
};
} // namespace

const CatalogueRecord* Catalogue::Records() {
    return kRecords;
}

const CatalogueRecord* Catalogue::FindByEffectType(int effectType) {
    for (const CatalogueRecord& r : kRecords)
        if (r.effectType == effectType) return &r;
    return nullptr;
}
