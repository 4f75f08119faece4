#include "organ/ProjectFile.h"

namespace orvane
{
namespace
{
constexpr int outputBufferSize = 8192;

/** A free hidden name beside `target`, short and of a fixed shape whatever the target's own
    name: the framework's default one repeats that name with a tag added, which passes the
    file system's limit of 255 bytes for a name for every target name near that limit. */
juce::File temporaryFileBeside (const juce::File& target)
{
    const auto tag = juce::String::toHexString ((juce::int64) (juce::uint32) juce::Random().nextInt());
    return target.getParentDirectory().getNonexistentChildFile (".save_" + tag.paddedLeft ('0', 8), ".tmp", false);
}
}   // namespace

bool hasProjectExtension (const juce::File& file)
{
    return file.getFileExtension().toUpperCase() == ".HOP";
}

std::optional<ProjectFileContent> readProjectFile (const void* data, size_t size)
{
    if (data == nullptr || size < (size_t) ProjectImage::byteSize)
        return std::nullopt;

    const auto* bytes = static_cast<const uint8_t*> (data);
    if (readUInt32LE (bytes) != ProjectImage::magicNumber)
        return std::nullopt;

    ProjectFileContent content;
    content.modelIndex = (int32_t) readUInt32LE (bytes + 8);
    content.hardwareRevision = (int32_t) readUInt32LE (bytes + 12);
    for (int i = 0; i < numParameters; ++i)
        content.values[(size_t) i] = readFloatLE (bytes + ProjectImage::valuesOffset + 4 * i);
    return content;
}

int projectValueCount (int32_t fileModelIndex, int32_t currentModelIndex)
{
    const bool withoutFunctions = fileModelIndex == modelWithoutAdditionalFunctions
        || currentModelIndex == modelWithoutAdditionalFunctions;
    return withoutFunctions ? firstByteParameter : numParameters;
}

void applyProjectFile (const ProjectFileContent& content, ProjectImage& image, bool takeIdentity)
{
    // The count depends on the model in force before the file's identity is taken.
    const int count = projectValueCount (content.modelIndex, image.modelIndex.load());
    for (int i = 0; i < count; ++i)
        image.setValue (i, content.values[(size_t) i]);

    if (takeIdentity)
    {
        image.modelIndex = content.modelIndex;
        image.hardwareRevision = content.hardwareRevision;
    }
}

bool writeProjectFile (const ProjectImage& image, const juce::File& target)
{
    const juce::TemporaryFile temporary (target, temporaryFileBeside (target));
    const auto bytes = image.toBytes();

    bool written = false;
    {
        juce::FileOutputStream stream (temporary.getFile(), outputBufferSize);
        written = stream.openedOk() && stream.write (bytes.getData(), bytes.getSize());
        if (written)
        {
            stream.flush();
            written = stream.getStatus().wasOk();
        }
    }

    // A temporary file that was not written whole must never take the target's place.
    return written && temporary.overwriteTargetFileWithTemporary();
}
}   // namespace orvane
