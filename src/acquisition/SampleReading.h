// Taking one sample of every channel of the ticked stations on a running tick:
// the priming that clears stale replies at the start of a window, the
// single-station reading (four 48-byte parity blocks, address 0) and the
// multi-station polling (one 144-byte packed block per ticked station). A
// faulty reply holds the previous sample from position 2 on; the fault flag
// returned is that of the last block or station read, as the fault counting
// expects.
#pragma once

#include <cstdint>
#include <string>

#include "acquisition/AcquisitionState.h"
#include "device/ReplyFormats.h"

namespace vondrel {

// A running tick primes the link at positions 0 and 1 of every window and on
// the first two ticks after Play or resume.
bool NeedsPriming(const AcquisitionState& st);

// Adds `n` reply errors and stays at 32767 instead of wrapping round.
int16_t AddReplyErrors(int16_t count, int n);

// Priming on g_com_port: single-station form (four requests, replies
// dropped, then 50 ms) or multi-station form (pauses, one pass of the event
// pump, one request per ticked station, replies dropped, 100 ms).
void PrimeStations(const AcquisitionState& st);

// Single-station reading into station 1's window at m_sample_index. Returns
// true when the last block (offset 48) was faulty.
bool ReadSingleStation(AcquisitionState& st);

// Station k's 96 packed-block values at position p: each value (a negative
// one as 0) at its data slot, the two companion slots cleared.
void StorePackedValues(AcquisitionState& st, int k, int p, const BlockValues& values);
// A missing block at position p (p >= 1): the data slots repeat position
// p - 1, the companion slots are cleared.
void HoldPackedValues(AcquisitionState& st, int k, int p);

// Stores one decoded parity block of offset a (0, 16, 32, 48) from
// `values` (words 0..23): on success each word's channel takes its level and
// the odd channels between are cleared; on a fault from position 2 on the
// block's channels hold their previous sample, at positions 0 and 1 nothing
// is stored.
void StoreParityBlock(AcquisitionState& st, int a, const BlockValues& values, bool fault);

// Multi-station polling of every ticked station, then the decoding of every
// reply in station order. Parity mismatches and short replies raise
// m_reply_error_count. Returns the fault flag of the last ticked station.
bool PollStations(AcquisitionState& st);

// Decodes one station's reply (`length` as read, -1 when the first half did
// not arrive whole) and stores it at m_sample_index of station k's window.
// Returns the fault flag of this reply.
bool StorePackedReply(AcquisitionState& st, int k, const std::string& reply, int length);

}  // namespace vondrel
