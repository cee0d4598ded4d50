#include "platform/media/linux/RecordingRepair.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/core/Format.h"
#include "platform/media/linux/FfmpegHandles.h"
#include "platform/media/linux/ProgramStreamWriter.h"

namespace platform {

namespace {

struct InputFree {
    void operator()(AVFormatContext* format) const { avformat_close_input(&format); }
};
using InputPtr = std::unique_ptr<AVFormatContext, InputFree>;

InputPtr openInput(const std::string& path, int& error) {
    AVFormatContext* format = nullptr;
    error = avformat_open_input(&format, path.c_str(), nullptr, nullptr);
    if (error < 0) return nullptr;
    InputPtr input(format);
    // A program stream carries no time stamp on some of its frames.
    input->flags |= AVFMT_FLAG_GENPTS;
    if ((error = avformat_find_stream_info(input.get(), nullptr)) < 0) return nullptr;
    return input;
}

// "folder/.name.repair": hidden beside the original, on the same file system
// so that the rename replaces it in one step.
std::string siblingOf(const std::string& path) {
    const std::filesystem::path p(path);
    return (p.parent_path() / ("." + p.filename().string() + ".repair")).string();
}

// The muxer that wrote the file: the ASF one, or for a program stream the
// MPEG-2 ("vob") or MPEG-1 one, told apart by the first pack header.
const char* muxerOf(const AVFormatContext& input, const std::string& path) {
    const std::string demuxer = input.iformat->name;
    if (demuxer == "asf") return "asf";
    if (demuxer != "mpeg") return nullptr;
    unsigned char head[5] = {};
    std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(head), sizeof head);
    const bool mpeg2Pack = head[0] == 0 && head[1] == 0 && head[2] == 1 && head[3] == 0xBA && (head[4] & 0xC0) == 0x40;
    return mpeg2Pack ? "vob" : "mpeg";
}

class Repair {
public:
    Repair(const std::string& path, DiagnosticLog& log) : path_(path), sibling_(siblingOf(path)), log_(log) {}
    ~Repair() {
        std::error_code ec;
        std::filesystem::remove(sibling_, ec);
    }

    RepairOutcome run() {
        std::error_code ec;
        const std::uintmax_t size = std::filesystem::file_size(path_, ec);
        if (ec || size == 0) return say(RepairOutcome::NotPossible, "no file or an empty one");
        int error = 0;
        const InputPtr input = openInput(path_, error);
        if (!input) return say(RepairOutcome::NotPossible, ffmpeg::errorText(error).c_str());
        const char* muxer = muxerOf(*input, path_);
        if (muxer == nullptr) return say(RepairOutcome::NotPossible, "not a recording's container");
        const std::int64_t copied = copyStreams(*input, muxer);
        if (copied < 0) return say(RepairOutcome::NotPossible, ffmpeg::errorText(static_cast<int>(copied)).c_str());
        if (!readsBack(copied)) return say(RepairOutcome::NotPossible, "the copy does not read back whole");
        std::filesystem::rename(sibling_, path_, ec);
        if (ec) return say(RepairOutcome::NotPossible, ec.message().c_str());
        return say(RepairOutcome::Repaired, format("%lld packets copied", static_cast<long long>(copied)).c_str());
    }

private:
    RepairOutcome say(RepairOutcome outcome, const char* why) {
        const char* what = outcome == RepairOutcome::Repaired ? "repaired" : "left as it is";
        log_.append(format("\r\nRecording repair: %s %s (%s)", path_.c_str(), what, why));
        return outcome;
    }

    // Copies every stream's packets to the sibling; the number of packets
    // copied, or a negative AVERROR.
    std::int64_t copyStreams(AVFormatContext& input, const char* muxer) {
        const std::string kind = muxer;
        if (kind == "vob" || kind == "mpeg") {
            const std::int64_t copied = copyProgramStream(input, kind == "vob");
            if (copied != AVERROR_PATCHWELCOME) return copied;
        }
        AVFormatContext* raw = nullptr;
        if (int error = avformat_alloc_output_context2(&raw, nullptr, muxer, sibling_.c_str()); error < 0)
            return error;
        ffmpeg::OutputFormatPtr output(raw);
        for (unsigned i = 0; i < input.nb_streams; ++i) {
            AVStream* out = avformat_new_stream(output.get(), nullptr);
            if (out == nullptr) return AVERROR(ENOMEM);
            if (int error = avcodec_parameters_copy(out->codecpar, input.streams[i]->codecpar); error < 0)
                return error;
            out->codecpar->codec_tag = 0;
            out->time_base = input.streams[i]->time_base;
            av_dict_copy(&out->metadata, input.streams[i]->metadata, 0);
        }
        av_dict_copy(&output->metadata, input.metadata, 0);
        if (int error = avio_open(&output->pb, sibling_.c_str(), AVIO_FLAG_WRITE); error < 0) return error;
        if (int error = avformat_write_header(output.get(), nullptr); error < 0) return error;
        const std::int64_t copied = copyPackets(input, [&](AVPacket& packet) {
            const AVStream& from = *input.streams[packet.stream_index];
            av_packet_rescale_ts(&packet, from.time_base, output->streams[packet.stream_index]->time_base);
            packet.pos = -1;
            return av_interleaved_write_frame(output.get(), &packet);
        });
        if (copied < 0) return copied;
        if (int error = av_write_trailer(output.get()); error < 0) return error;
        if (int error = avio_closep(&output->pb); error < 0) return error;
        return copied;
    }

    // A program stream of the recorder's own streams is laid out again as the
    // recorder lays it out, every picture with its own time stamps.
    // AVERROR_PATCHWELCOME when it holds other streams.
    std::int64_t copyProgramStream(AVFormatContext& input, bool mpeg2) {
        std::optional<MediaType> video, audio;
        std::vector<ProgramStreamWriter::Stream> role(input.nb_streams);
        for (unsigned i = 0; i < input.nb_streams; ++i) {
            const AVStream& stream = *input.streams[i];
            const AVCodecParameters& par = *stream.codecpar;
            const int bitRate = static_cast<int>(par.bit_rate);
            if (par.codec_id == AV_CODEC_ID_MPEG2VIDEO && !video) {
                const AVRational rate = stream.avg_frame_rate.num > 0 ? stream.avg_frame_rate : stream.r_frame_rate;
                const int fps = rate.num > 0 && rate.den > 0 ? static_cast<int>(av_q2d(rate) + 0.5) : 0;
                video = MediaType::ofEncodedVideo({Codec::Mpeg2Video, bitRate, bitRate, 0},
                                                  VideoFormat{par.width, par.height, 0, fps});
                role[i] = ProgramStreamWriter::kVideo;
            } else if (par.codec_id == AV_CODEC_ID_MP2 && !audio) {
                audio = MediaType::ofEncodedAudio({Codec::MpegAudioLayer2, bitRate, bitRate, 0},
                                                  AudioFormat{par.sample_rate, par.ch_layout.nb_channels, 16});
                role[i] = ProgramStreamWriter::kAudio;
            } else {
                return AVERROR_PATCHWELCOME;
            }
        }
        std::ofstream out(sibling_, std::ios::binary | std::ios::trunc);
        if (!out) return AVERROR(EIO);
        ProgramStreamWriter writer(mpeg2, video, audio, [&out](const std::uint8_t* data, int size) {
            out.write(reinterpret_cast<const char*>(data), size);
        });
        constexpr AVRational kSampleTimeBase{1, 10'000'000};
        const std::int64_t copied = copyPackets(input, [&](AVPacket& packet) {
            if (packet.pts == AV_NOPTS_VALUE) return 0;  // nowhere to place it; the read-back tells
            const AVRational from = input.streams[packet.stream_index]->time_base;
            auto sample = std::make_shared<MediaSample>();
            sample->pts_100ns = av_rescale_q(packet.pts, from, kSampleTimeBase);
            sample->dts_100ns =
                av_rescale_q(packet.dts != AV_NOPTS_VALUE ? packet.dts : packet.pts, from, kSampleTimeBase);
            sample->keyFrame = (packet.flags & AV_PKT_FLAG_KEY) != 0;
            sample->data.assign(packet.data, packet.data + packet.size);
            writer.add(role[static_cast<std::size_t>(packet.stream_index)], std::move(sample));
            return 0;
        });
        if (copied < 0) return copied;
        writer.end();
        out.close();
        return out ? copied : AVERROR(EIO);
    }

    // Hands every stream's packets but the last, which the kill may have
    // cut, to `write`, in the order read; the number handed on, or a
    // negative AVERROR.
    std::int64_t copyPackets(AVFormatContext& input, const std::function<int(AVPacket&)>& write) {
        // The packet of each stream waiting for its successor.
        std::vector<ffmpeg::PacketPtr> held(input.nb_streams);
        std::vector<std::int64_t> lastDts(input.nb_streams, AV_NOPTS_VALUE);
        ffmpeg::PacketPtr packet(av_packet_alloc());
        if (!packet) return AVERROR(ENOMEM);
        std::int64_t copied = 0;
        // Up to the end, or to where a killed writer's last packet is torn.
        while (av_read_frame(&input, packet.get()) >= 0) {
            const auto index = static_cast<std::size_t>(packet->stream_index);
            const std::int64_t dts = packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
            if (dts != AV_NOPTS_VALUE && lastDts[index] != AV_NOPTS_VALUE && dts <= lastDts[index]) {
                av_packet_unref(packet.get());
                continue;
            }
            if (dts != AV_NOPTS_VALUE) lastDts[index] = dts;
            std::swap(held[index], packet);
            if (!packet) {
                packet.reset(av_packet_alloc());
                if (!packet) return AVERROR(ENOMEM);
                continue;
            }
            if (int error = write(*packet); error < 0) return error;
            av_packet_unref(packet.get());
            ++copied;
        }
        return copied > 0 ? copied : AVERROR_INVALIDDATA;
    }

    // The copy opens with a duration and gives back every packet.
    bool readsBack(std::int64_t copied) {
        int error = 0;
        const InputPtr copy = openInput(sibling_, error);
        if (!copy || copy->duration <= 0) return false;
        ffmpeg::PacketPtr packet(av_packet_alloc());
        if (!packet) return false;
        std::int64_t read = 0;
        while (av_read_frame(copy.get(), packet.get()) >= 0) {
            ++read;
            av_packet_unref(packet.get());
        }
        return read == copied;
    }

    const std::string path_;
    const std::string sibling_;
    DiagnosticLog& log_;
};

}  // namespace

RepairOutcome repairRecording(const std::string& path, DiagnosticLog& log) { return Repair(path, log).run(); }

void repairUnfinishedRecordings(const RecordingJournal& journal, DiagnosticLog& log) {
    for (const RecordingJournal::Entry& entry : journal.unfinished()) {
        repairRecording(entry.recording, log);
        RecordingJournal::forget(entry);
    }
}

}  // namespace platform
