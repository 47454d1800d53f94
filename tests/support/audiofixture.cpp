// SPDX-License-Identifier: MIT
#include "support/audiofixture.h"

#include "support/testfiles.h"

#include <QProcess>
#include <QtEndian>

#include <cmath>

namespace AudioFixture {

namespace {

QByteArray Le32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray Be(quint32 value, int count)
{
    QByteArray bytes;
    for (int i = count - 1; i >= 0; --i)
        bytes.append(char((value >> (8 * i)) & 0xFF));
    return bytes;
}

QByteArray Wav()
{
    QByteArray samples;
    for (int i = 0; i < 22050; ++i) {
        const qint16 value = qint16(8000 * std::sin(i * 440.0 * 2 * M_PI / 44100));
        samples.append(reinterpret_cast<const char *>(&value), 2).append(reinterpret_cast<const char *>(&value), 2);
    }
    return "RIFF" + Le32(quint32(36 + samples.size())) + "WAVEfmt " + Le32(16) + QByteArray("\x01\0\x02\0", 4)
           + Le32(44100) + Le32(44100 * 4) + QByteArray("\x04\0\x10\0", 4) + "data" + Le32(quint32(samples.size()))
           + samples;
}

} // namespace

bool MakeTones(const QString &folder, Tones *tones)
{
    const QString wav = folder + QStringLiteral("/tone.wav");
    const auto make = [&](const QString &tool, const QStringList &arguments, const QString &out, QByteArray *bytes) {
        QProcess process;
        process.start(tool, arguments);
        *bytes = process.waitForFinished(60000) && process.exitCode() == 0 ? TestFiles::Read(out) : QByteArray();
        return !bytes->isEmpty();
    };
    const QString flac = folder + QStringLiteral("/t.flac");
    const QString vorbis = folder + QStringLiteral("/t.ogg");
    const QString opus = folder + QStringLiteral("/t.opus");
    return TestFiles::Write(wav, Wav())
           && make(QStringLiteral("flac"), {QStringLiteral("-s"), QStringLiteral("-o"), flac, wav}, flac, &tones->flac)
           && make(QStringLiteral("oggenc"), {QStringLiteral("-Q"), QStringLiteral("-o"), vorbis, wav}, vorbis, &tones->vorbis)
           && make(QStringLiteral("opusenc"), {QStringLiteral("--quiet"), wav, opus}, opus, &tones->opus);
}

QByteArray CommentList(const QList<QByteArray> &entries, const QByteArray &vendor)
{
    QByteArray list = Le32(quint32(vendor.size())) + vendor + Le32(quint32(entries.size()));
    for (const QByteArray &entry : entries)
        list += Le32(quint32(entry.size())) + entry;
    return list;
}

QByteArray PictureBody(quint32 type, const QByteArray &mime, const QByteArray &description, const QByteArray &data)
{
    return Be(type, 4) + Be(quint32(mime.size()), 4) + mime + Be(quint32(description.size()), 4) + description
           + QByteArray(16, '\0') + Be(quint32(data.size()), 4) + data;
}

QByteArray Flac(const QList<Block> &blocks, const QByteArray &audio)
{
    QByteArray file = "fLaC";
    for (int i = 0; i < blocks.size(); ++i)
        file += char(blocks.at(i).type | (i == blocks.size() - 1 ? 0x80 : 0)) + Be(quint32(blocks.at(i).body.size()), 3)
                + blocks.at(i).body;
    return file + audio;
}

FlacParts SplitFlac(const QByteArray &flac)
{
    qsizetype at = 4;
    bool last = false;
    while (!last && at + 4 <= flac.size()) {
        last = uchar(flac.at(at)) & 0x80;
        at += 4 + qFromBigEndian<quint32>(flac.constData() + at) % 0x1000000;
    }
    return {flac.mid(8, 34), flac.mid(at)};
}

} // namespace AudioFixture
