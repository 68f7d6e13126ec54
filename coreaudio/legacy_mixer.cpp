// The speaker line's volume of the first legacy mixer (before Windows 6.0).
// The mixer is opened for each call and closed again, so no handle is kept
// between switches.
#include <windows.h>
#include <mmsystem.h>

#include <optional>
#include <string>

#include "controller/volume_math.h"
#include "coreaudio/master_volume.h"

namespace zelvane::audio {

namespace {

class OpenMixer {
public:
    OpenMixer() {
        if (mixerOpen(&mixer_, 0, 0, 0, MIXER_OBJECTF_MIXER) != MMSYSERR_NOERROR) mixer_ = nullptr;
    }
    ~OpenMixer() {
        if (mixer_) mixerClose(mixer_);
    }
    OpenMixer(const OpenMixer&) = delete;
    OpenMixer& operator=(const OpenMixer&) = delete;
    HMIXER get() const { return mixer_; }

private:
    HMIXER mixer_ = nullptr;
};

// The speaker line's volume control and its bounds.
struct SpeakerVolume {
    DWORD controlId = 0;
    DWORD minimum = 0;
    DWORD maximum = 0;
};

std::optional<SpeakerVolume> findSpeakerVolume(HMIXER mixer) {
    MIXERLINEW line{};
    line.cbStruct = sizeof(line);
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    const auto obj = reinterpret_cast<HMIXEROBJ>(mixer);
    if (mixerGetLineInfoW(obj, &line, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR)
        return std::nullopt;
    MIXERCONTROLW control{};
    control.cbStruct = sizeof(control);
    MIXERLINECONTROLSW request{};
    request.cbStruct = sizeof(request);
    request.dwLineID = line.dwLineID;
    request.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    request.cControls = 1;
    request.cbmxctrl = sizeof(control);
    request.pamxctrl = &control;
    if (mixerGetLineControlsW(obj, &request, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) !=
        MMSYSERR_NOERROR)
        return std::nullopt;
    return SpeakerVolume{control.dwControlID, control.Bounds.dwMinimum, control.Bounds.dwMaximum};
}

MIXERCONTROLDETAILS detailsFor(const SpeakerVolume& speaker, MIXERCONTROLDETAILS_UNSIGNED* value) {
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof(details);
    details.dwControlID = speaker.controlId;
    details.cChannels = 1;  // one value for all channels
    details.cbDetails = sizeof(*value);
    details.paDetails = value;
    return details;
}

// The first mixer's name: a different card in its place is another device.
std::string mixerName() {
    MIXERCAPSW caps{};
    if (mixerGetDevCapsW(0, &caps, sizeof(caps)) != MMSYSERR_NOERROR) return {};
    char name[4 * MAXPNAMELEN] = {};
    WideCharToMultiByte(CP_UTF8, 0, caps.szPname, -1, name, sizeof(name) - 1, nullptr, nullptr);
    return std::string("mixer 0: ") + name;
}

class LegacyMixerVolume : public MasterVolume {
public:
    std::optional<VolumeReading> read() override {
        OpenMixer mixer;
        if (!mixer.get()) return std::nullopt;
        const auto speaker = findSpeakerVolume(mixer.get());
        if (!speaker) return std::nullopt;
        MIXERCONTROLDETAILS_UNSIGNED value{};
        MIXERCONTROLDETAILS details = detailsFor(*speaker, &value);
        if (mixerGetControlDetailsW(reinterpret_cast<HMIXEROBJ>(mixer.get()), &details,
                                    MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR)
            return std::nullopt;
        const auto percent = mixerPercent(value.dwValue, speaker->minimum, speaker->maximum);
        if (!percent) return std::nullopt;
        return VolumeReading{mixerName(), *percent};
    }

    bool write(const std::string& device, int percent) override {
        if (device != mixerName()) return false;
        OpenMixer mixer;
        if (!mixer.get()) return false;
        const auto speaker = findSpeakerVolume(mixer.get());
        if (!speaker) return false;
        const auto level = mixerValue(percent, speaker->minimum, speaker->maximum);
        if (!level) return false;
        MIXERCONTROLDETAILS_UNSIGNED value{};
        value.dwValue = *level;
        MIXERCONTROLDETAILS details = detailsFor(*speaker, &value);
        return mixerSetControlDetails(reinterpret_cast<HMIXEROBJ>(mixer.get()), &details,
                                      MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) == MMSYSERR_NOERROR;
    }

    // Every call opens the mixer afresh; there is nothing stale to drop.
    bool reopen() override { return mixerGetNumDevs() > 0; }
};

}  // namespace

std::unique_ptr<MasterVolume> openLegacyMixerVolume() { return std::make_unique<LegacyMixerVolume>(); }

std::unique_ptr<MasterVolume> openMasterVolume() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (GetVersionExW(&version) && version.dwMajorVersion < 6) return openLegacyMixerVolume();
    return openEndpointVolume();
}

}  // namespace zelvane::audio
