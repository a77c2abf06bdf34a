package antorder.junit5;

import java.util.ArrayList;
import java.util.Comparator;
import java.util.List;
import org.junit.jupiter.api.ClassDescriptor;
import org.junit.jupiter.api.ClassOrderer;
import org.junit.jupiter.api.ClassOrdererContext;

/**
 * Orders the test classes by the line of each class's first test in the order file (antorder.order);
 * classes the file does not name keep JUnit's order after those it does, and those that neither the
 * order nor the rest file names are told in one warning line on standard error.
 */
public class AntorderClassOrderer implements ClassOrderer {
    /** Classes named in one warning line before the rest are counted. */
    private static final int NAMED_IN_WARNING = 10;

    @Override
    public void orderClasses(ClassOrdererContext context) {
        OrderFile file = OrderFile.get(context::getConfigurationParameter);
        if (!file.ordering()) {
            return;
        }
        List<? extends ClassDescriptor> classes = context.getClassDescriptors();
        // List.sort is stable: the unnamed keep their order, after the named.
        classes.sort(Comparator.comparingInt(descriptor -> {
            int position = file.classPosition(descriptor.getTestClass().getName());
            return position < 0 ? Integer.MAX_VALUE : position;
        }));
        List<String> unnamed = new ArrayList<>();
        for (ClassDescriptor descriptor : classes) {
            String name = descriptor.getTestClass().getName();
            if (!file.named(name)) {
                unnamed.add(name);
            }
        }
        if (!unnamed.isEmpty() && file.firstWarning()) {
            System.err.println(warning(unnamed, file.describe()));
        }
    }

    static String warning(List<String> unnamed, String files) {
        StringBuilder line = new StringBuilder("antorder: ");
        line.append(unnamed.size())
                .append(unnamed.size() == 1 ? " test class is" : " test classes are")
                .append(" named in neither ")
                .append(files)
                .append(", and ")
                .append(unnamed.size() == 1 ? "runs" : "run")
                .append(" after the ordered ones: ");
        int shown = Math.min(unnamed.size(), NAMED_IN_WARNING);
        line.append(String.join(", ", unnamed.subList(0, shown)));
        if (shown < unnamed.size()) {
            line.append(" and ").append(unnamed.size() - shown).append(" more");
        }
        return line.toString();
    }
}
