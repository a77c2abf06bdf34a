package antorder.junit5;

import java.util.Optional;
import org.junit.platform.engine.FilterResult;
import org.junit.platform.engine.TestDescriptor;
import org.junit.platform.engine.TestSource;
import org.junit.platform.engine.support.descriptor.MethodSource;
import org.junit.platform.launcher.PostDiscoveryFilter;

/**
 * Leaves out the test methods the rest file (antorder.rest, a system property) names: the tests a
 * budget or the other shards hold. A parameterised method runs whole unless all of its invocations
 * the files name are in the rest: which invocations there will be is known only as it runs.
 * The JUnit Platform finds this filter by META-INF/services.
 */
public class AntorderFilter implements PostDiscoveryFilter {
    @Override
    public FilterResult apply(TestDescriptor descriptor) {
        Optional<TestSource> source = descriptor.getSource();
        if (source.isEmpty() || !(source.get() instanceof MethodSource)) {
            return FilterResult.included(null);
        }
        MethodSource method = (MethodSource) source.get();
        OrderFile file = OrderFile.get(key -> Optional.empty());
        if (file.leftOut(method.getClassName(), method.getMethodName())) {
            return FilterResult.excluded("in " + OrderFile.REST);
        }
        return FilterResult.included(null);
    }
}
