#pragma once
// Shows the engine's levels on the waveform panel: its meter while a take
// runs, and the whole recording's peak and clipping in its tooltip.

class RecordingEngine;
class WaveformView;

void ShowLevelsOnWaveform(RecordingEngine& engine, WaveformView& view);
