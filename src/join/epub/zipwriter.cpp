#include "zipwriter.h"

#include <QDateTime>
#include <QIODevice>

#include <zip.h>

namespace join {
namespace {

// minizip's file functions over the QIODevice given as opaque, which stays open.
QIODevice& deviceOf(voidpf opaque)
{
    return *static_cast<QIODevice*>(opaque);
}

voidpf ZCALLBACK openDevice(voidpf opaque, const void*, int)
{
    return opaque;
}

uLong ZCALLBACK readDevice(voidpf opaque, voidpf, void* buffer, uLong size)
{
    const qint64 read = deviceOf(opaque).read(static_cast<char*>(buffer), qint64(size));
    return read < 0 ? 0 : uLong(read);
}

uLong ZCALLBACK writeDevice(voidpf opaque, voidpf, const void* buffer, uLong size)
{
    const qint64 written = deviceOf(opaque).write(static_cast<const char*>(buffer), qint64(size));
    return written < 0 ? 0 : uLong(written);
}

ZPOS64_T ZCALLBACK tellDevice(voidpf opaque, voidpf)
{
    return ZPOS64_T(deviceOf(opaque).pos());
}

long ZCALLBACK seekDevice(voidpf opaque, voidpf, ZPOS64_T offset, int origin)
{
    QIODevice& device = deviceOf(opaque);
    qint64 to = qint64(offset);
    if (origin == ZLIB_FILEFUNC_SEEK_CUR)
        to += device.pos();
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
        to += device.size();
    return device.seek(to) ? 0 : -1;
}

int ZCALLBACK closeDevice(voidpf, voidpf)
{
    return 0;
}

int ZCALLBACK deviceError(voidpf, voidpf)
{
    return 0;
}

zip_fileinfo now()
{
    const QDateTime time = QDateTime::currentDateTime();
    zip_fileinfo info{};
    info.tmz_date.tm_sec = uInt(time.time().second());
    info.tmz_date.tm_min = uInt(time.time().minute());
    info.tmz_date.tm_hour = uInt(time.time().hour());
    info.tmz_date.tm_mday = uInt(time.date().day());
    info.tmz_date.tm_mon = uInt(time.date().month() - 1);
    info.tmz_date.tm_year = uInt(time.date().year());
    return info;
}

} // namespace

ZipWriter::ZipWriter(QIODevice& out) : m_out(out)
{
    zlib_filefunc64_def functions{openDevice, readDevice,  writeDevice, tellDevice,
                                  seekDevice, closeDevice, deviceError, &m_out};
    m_zip = zipOpen2_64("", APPEND_STATUS_CREATE, nullptr, &functions);
    if (!m_zip)
        failed(QStringLiteral("start the archive"));
}

ZipWriter::~ZipWriter()
{
    if (m_zip)
        zipClose(m_zip, nullptr);
}

bool ZipWriter::failed(const QString& what)
{
    if (m_error.isEmpty())
        m_error = QStringLiteral("cannot %1: %2").arg(what, m_out.errorString());
    return false;
}

bool ZipWriter::add(const QString& name, const QByteArray& bytes, bool compressed)
{
    if (!m_zip || !m_error.isEmpty())
        return false;
    const zip_fileinfo info = now();
    const QByteArray path = name.toUtf8();
    // No extra fields and no zip64 marks: a reader finds a stored first entry's bytes at a fixed
    // place (an EPUB's mimetype).
    if (zipOpenNewFileInZip4_64(m_zip, path.constData(), &info, nullptr, 0, nullptr, 0, nullptr,
                                compressed ? Z_DEFLATED : 0, Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS,
                                DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0, 0,
                                1 << 11 /* names in UTF-8 */, 0) != ZIP_OK)
        return failed(QStringLiteral("add %1").arg(name));
    const bool written = bytes.isEmpty() || zipWriteInFileInZip(m_zip, bytes.constData(),
                                                                uInt(bytes.size())) == ZIP_OK;
    if (zipCloseFileInZip(m_zip) != ZIP_OK || !written)
        return failed(QStringLiteral("write %1").arg(name));
    return true;
}

bool ZipWriter::close()
{
    if (!m_zip)
        return false;
    const int closed = zipClose(m_zip, nullptr);
    m_zip = nullptr;
    return (closed == ZIP_OK && m_error.isEmpty()) || failed(QStringLiteral("finish the archive"));
}

} // namespace join
