#pragma once
// Decoding of the logger's replies into the shared records, the steps of each
// data packet, and the data file (.log) of 14-byte records: writing while a
// record runs, reading back for the file player.
#include <atomic>
#include <cstdint>
#include <string>

#include "probe/USB.h"

struct DataPacket;
struct LogRecord;

class CToolsStream : public IPacketDecoder {
public:
    // A jump of more steps than this in one packet is taken as this many: a
    // depth reset or a garbled depth must not flood the data file with repeats.
    static constexpr int kMaxStepsPerPacket = 1000;
    // While recording every step is a record, and records carry no depth of
    // their own: a jump is stored whole up to 1 km at 1 cm, more than any
    // winch travels between two packets.
    static constexpr int kMaxRecordStepsPerPacket = 100000;

    // Reader thread: each decodes the payload left in theApp.m_pRxBuffer.
    void DecodeShortPacket() override;
    void DecodeStatusPacket() override;
    void DecodeDataPacket() override;

    // Appends one record built from theApp's DataPacket, the step at `depth`,
    // to the record file.
    void WriteDataLine(double depth);
    // Reads the record at a byte position of PathSettings.DataFile; false at
    // or past the end of the file, where the record is left untouched.
    bool ReadDataLineInFile(std::int64_t position, LogRecord& record);
    // Writes the recording time into LiveReadout.elapsedText.
    static void FormatElapsed(double milliseconds);
    // "hh:mm:ss", two digits each; 100 hours and more keep their last two digits.
    static std::string ElapsedText(double milliseconds);

    // Open and close the record file (appending); the record's start and end
    // (the probe panel) call them so that the reader thread never writes into
    // a closed file. The record stops by clearing RunState.recording first.
    static bool OpenRecordFile(const char* path);
    static void CloseRecordFile();
    // True when the running record's first record could not write its start
    // depth into the header file; nothing is stored after that.
    static bool StartDepthWriteFailed();
    // A depth as the header file keeps it: millimetres, with the sonde-length
    // correction in down-depth mode.
    static std::int32_t HeaderDepth(double metres);

protected:
    // One step of the current DataPacket: hands it to sample processing.
    virtual void ProcessStep();

private:
    enum class Store { Done, Failed, Deleted };

    int CountSteps(const DataPacket& packet, double depth, bool recording);
    void CheckWinchDirection(int mode, double speed);
    bool RewriteStartDepth(double depth);
    void AddRecordingTime(std::uint64_t now);
    Store AppendRecord();
    void ReportStoreFailure(Store result);

    // Reader thread only.
    double m_dLastStepDepth = 0.0;
    // Unset at the start too: the first depth packet is one step, not the distance from 0 m.
    bool m_bDepthReferenceUnset = true;
    // Set when the data file failed to take a record; cleared by the next record's start.
    std::atomic<bool> m_bStoreFailed{false};
    // The recording time below a millisecond, carried to the next record.
    std::uint64_t m_nDurationCarry = 0;
};
