// A paint device that records what a painter draws as an enhanced metafile or a Windows metafile, so that the
// chart's own painting code writes them. Lines become polylines; text stays text; clipping and transforms count.
#pragma once

#include "ui/chart/MetafileRecords.h"

#include <QPaintDevice>
#include <QSize>
#include <QString>

#include <memory>

namespace wl {

class TMetafilePaintEngine;

class TMetafileDevice : public QPaintDevice {
public:
    // size in pixels of 96 dpi: the picture's logical units.
    TMetafileDevice(const QSize& size, TMetafileKind kind);
    ~TMetafileDevice() override;
    TMetafileDevice(const TMetafileDevice&) = delete;
    TMetafileDevice& operator=(const TMetafileDevice&) = delete;

    void SetDescription(const QString& text) { FDescription = text; }
    // The whole file, once the painter has ended.
    QByteArray Bytes() const;

    QPaintEngine* paintEngine() const override;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize FSize;
    QString FDescription;
    std::unique_ptr<TMetafilePaintEngine> FEngine;
};

} // namespace wl
