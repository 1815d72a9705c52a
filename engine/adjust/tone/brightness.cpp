// Brightness and boost curves through the curve engine.
#include "adjust/tone/brightness.h"

CBrightness::CBrightness() {
    const CCurves::Point points[] = {{0, 0}, {127, 127}, {255, 255}};
    m_curves.SetPoints(0, points);
    m_curves.BuildTables();
}

const adjust::ByteTable& CBrightness::BuildTable(float brightness) {
    m_curves.SetPoint(0, 1, CCurves::Point{127, 127 + brightness});
    m_curves.BuildTables();
    return m_curves.Table(0);
}

bool CBrightness::Apply(const ImagePlane& source, const ImagePlane& destination, float brightness) {
    return adjust::ApplyPixelTables(source, destination, adjust::SameTables(BuildTable(brightness)));
}

const adjust::ByteTable& CBoost::BuildTable(float amount) {
    if (m_curveNotSetUp) {
        m_curves.ResetCurves();
        m_curves.SelectChannel(0);
        const CCurves::Point points[] = {{0, 0}, {96, 96}, {160, 160}, {255, 255}};
        m_curves.SetPoints(0, points);
        m_curveNotSetUp = false;
    }
    m_curves.SetPoint(0, 1, CCurves::Point{96, 96 - 0.25f * amount});
    m_curves.SetPoint(0, 2, CCurves::Point{160, 160 + 0.25f * amount});
    m_curves.BuildTables();
    return m_curves.Table(0);
}

bool CBoost::Apply(const ImagePlane& source, const ImagePlane& destination, float amount) {
    return adjust::ApplyPixelTables(source, destination, adjust::SameTables(BuildTable(amount)));
}

namespace adjust {

bool ApplyBrightness(const ImagePlane& source, const ImagePlane& destination, const BrightnessParams& params) {
    CBrightness engine;
    return engine.Apply(source, destination, params.brightness);
}

bool ApplyBoost(const ImagePlane& source, const ImagePlane& destination, const BoostParams& params) {
    CBoost engine;
    return engine.Apply(source, destination, params.amount);
}

}  // namespace adjust
