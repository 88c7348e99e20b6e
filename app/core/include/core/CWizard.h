#pragma once
// The selection wizard shown after registration: one check box per kind of data, shown when the
// server enables that kind, ticked as the settings say. Applying writes the ticks into the settings;
// a ticked kind of file is synchronised both ways. Title and heading text 186, Next text 185,
// Cancel text 5. User-interface thread only.

#include "service/CReg_Api.h"

#include <array>
#include <cstdint>

class CWizard {
public:
    enum class Box : std::uint8_t { Contacts, Calendar, Sms, Images, Video, Audio, Documents };
    static constexpr std::array<Box, 7> kBoxes = {Box::Contacts, Box::Calendar, Box::Sms,      Box::Images,
                                                  Box::Video,    Box::Audio,    Box::Documents};
    static int LabelText(Box box);

    explicit CWizard(const _SETTINGS_DEF& settings);

    bool IsVisible(Box box) const;
    bool IsTicked(Box box) const;
    void SetTicked(Box box, bool ticked);

    // True when a setting changed.
    bool Apply(_SETTINGS_DEF& settings) const;

private:
    std::array<bool, 7> m_visible;
    std::array<bool, 7> m_ticks;
};
