#include "jobdocument.h"

#include "app/configfile.h"
#include "enginecodes.h"
#include "pageparameters.h"

#include <QCoreApplication>
#include <QDir>

JobDocument::JobDocument(const ConfigFile &config)
{
    QString work = config.strPDFFileName;
    if (work.isEmpty())
        work = QDir::tempPath() + QStringLiteral("/tessark-%1.pdfwork").arg(QCoreApplication::applicationPid());
    pdf.setWorkFile(work);
}

void JobDocument::pageWritten(const PageParameters &p)
{
    if (p.imageType == 4)
        pdfPath = p.path;
}

QString JobDocument::takeDocumentPath(bool failedOrCancelled)
{
    QString path;
    if (pdf.pageCount() > 0 && !failedOrCancelled)
        path = pdfPath;
    pdfPath.clear();
    return path;
}

int JobDocument::finish(const QString &path)
{
    int rc = EngineCode::Ok;
    if (!path.isEmpty())
        rc = pdf.writeDocument(path);
    pdf.reset();
    return rc;
}

void JobDocument::clear()
{
    pdfPath.clear();
    pdf.reset();
}
