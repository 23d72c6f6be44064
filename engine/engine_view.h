#pragma once
// What the recording engine needs from the window that shows it. The recorder
// window implements it; engine tests implement it with plain members.

#include <cstdint>
#include <QString>

// Control ids of the recorder window that the engine reads or drives.
namespace ControlId {
inline constexpr int Play = 103;
inline constexpr int SavingLabel = 1008;
inline constexpr int Stop = 1022;
inline constexpr int QualitySlider = 1004;
inline constexpr int QualityLabel = 1017;
inline constexpr int Save = 1116;
inline constexpr int PositionReadout = 1119;
inline constexpr int LengthReadout = 1120;
inline constexpr int PositionSlider = 1121;
inline constexpr int SeekStart = 1122;
inline constexpr int SeekEnd = 1123;
inline constexpr int ClearAfterPosition = 1124;
inline constexpr int NewRecording = 1125;
inline constexpr int Record = 1127;
inline constexpr int FormatList = 1217;
inline constexpr int DeviceList = 1266;
}  // namespace ControlId

// The live waveform the engine feeds: a fixed array of points that the view
// scales by its full-scale value and draws on refresh().
class WaveformTarget {
public:
    virtual ~WaveformTarget() = default;
    virtual int pointCount() const = 0;
    virtual int16_t* points() = 0;
    virtual void setFullScale(int16_t fullScale) = 0;
    // One flag per point: its stretch of the block holds a sample at the
    // format's full scale. Null when the view does not mark clipping.
    virtual uint8_t* clipMarks() { return nullptr; }
    // Redraw without erasing the background.
    virtual void refresh() = 0;
};

enum class Answer { Yes, No, Cancel };

class EngineView {
public:
    virtual ~EngineView() = default;

    // The input choice (device combo 1266, format combo 1217); -1 = nothing selected.
    virtual int selectedDevice() const = 0;
    virtual int selectedFormatRow() const = 0;

    // Readouts 1119 and 1120.
    virtual void setPositionText(const QString& text) = 0;
    virtual void setLengthText(const QString& text) = 0;

    // Position slider 1121.
    virtual void setPositionRange(uint32_t maximum) = 0; // minimum is 0; no redraw
    virtual void setPositionThumb(uint32_t position) = 0;
    virtual uint32_t positionThumb() const = 0;

    virtual void setControlEnabled(int controlId, bool enabled) = 0;

    // A message box from the string table with the error icon.
    virtual void showError(int stringId) = 0;
    // A Yes/No/Cancel question from the string table with the question icon.
    virtual Answer ask(int stringId) = 0;

    virtual WaveformTarget* waveform() = 0;
};
